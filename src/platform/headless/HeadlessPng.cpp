// PNG files of pixmaps (libpng's simplified interface).
#include <png.h>

#include <cstring>

#include "HeadlessGdi.h"

namespace TzGrid::Headless {

namespace {
void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}
}  // namespace

bool WritePng(const Pixmap& pixmap, const std::string& path, std::string* error) {
  if (pixmap.width <= 0 || pixmap.height <= 0) {
    SetError(error, "the pixmap is empty");
    return false;
  }
  // COLORREF is 0x00BBGGRR: bytes R, G, B per pixel in the file.
  std::vector<png_byte> rgb(std::size_t(pixmap.width) * std::size_t(pixmap.height) * 3);
  std::size_t i = 0;
  for (COLORREF c : pixmap.pixels) {
    rgb[i++] = png_byte(GetRValue(c));
    rgb[i++] = png_byte(GetGValue(c));
    rgb[i++] = png_byte(GetBValue(c));
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(pixmap.width);
  image.height = png_uint_32(pixmap.height);
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    SetError(error, "cannot write " + path + ": " + image.message);
    png_image_free(&image);
    return false;
  }
  return true;
}

bool ReadPng(const std::string& path, Pixmap* pixmap, std::string* error) {
  if (!pixmap) {
    SetError(error, "no pixmap to read into");
    return false;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    SetError(error, "cannot read " + path + ": " + image.message);
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  if (image.width > 1u << 15 || image.height > 1u << 15) {
    SetError(error, path + " is too large");
    png_image_free(&image);
    return false;
  }
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
    SetError(error, "cannot decode " + path + ": " + image.message);
    png_image_free(&image);
    return false;
  }
  Pixmap result;
  result.Resize(int(image.width), int(image.height));
  for (std::size_t p = 0; p < result.pixels.size(); ++p) {
    result.pixels[p] = RGB(rgb[3 * p], rgb[3 * p + 1], rgb[3 * p + 2]);
  }
  *pixmap = std::move(result);
  return true;
}

}  // namespace TzGrid::Headless
