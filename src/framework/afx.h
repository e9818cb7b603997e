// The framework layer in one include.
#pragma once

#include "afxcoll.h"
#include "afxctl.h"
#include "afxdefs.h"
#include "afxdisp.h"
#include "afxexcept.h"
#include "afxgdi.h"
#include "afxgeom.h"
#include "afxmem.h"
#include "afxstr.h"
#include "afxwin.h"
