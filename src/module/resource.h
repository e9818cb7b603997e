// Resource identifiers of TzGrid.ocx, shared by TzGrid.rc and the C++ code.
// The values are fixed: hosts and the control's own code load these ids.
#pragma once

#define IDS_TZGRID 1               // user type name of the control
#define IDS_TZGRID_PPG 2           // user type name of the property page
#define IDS_TZGRID_PPG_CAPTION 200 // caption of the property page

#define IDD_ABOUTBOX_TZGRID 1
#define IDD_PROPPAGE_TZGRID 200

#define IDI_ABOUTDLL 1
#define IDB_TZGRID 1               // toolbox bitmap
#define IDCUR_DRAGCOLUMN 101       // cursor while a column header is dragged

#define IDR_TYPELIB 1

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
