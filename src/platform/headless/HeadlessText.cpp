// Text on the headless contexts: fonts through FreeType, DrawText's layout
// (alignment, vertical centring, line breaks, word wrapping, prefixes) and
// antialiased glyphs blended with the text colour.
//
// Faces: the Liberation fonts are metric-compatible with Arial, Times New
// Roman and Courier New, so text takes the room it takes on Windows. Every
// other face name is drawn in Liberation Sans.
//
// Sizes follow the platform: a negative height is the em (character) height
// in pixels, a positive one the cell height (ascent + descent), 0 a default
// of 12 pixels. Ascent and descent come from the face's Windows metrics
// (OS/2 usWinAscent and usWinDescent) scaled and rounded, so the line height
// matches GDI's tmHeight. Glyph advances are FreeType's hinted advances in
// whole pixels; there is no kerning, as GDI's DrawText does not kern.
//
// Each (face file, size) keeps its rendered glyphs for the life of the
// process: a repaint costs one lookup and one blend per glyph.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H
#include FT_TRUETYPE_TABLES_H

#include <fontconfig/fontconfig.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "HeadlessGdiObjects.h"

namespace TzGrid::Headless {

namespace Gdi {

namespace {

constexpr int kDefaultHeight = 12;
constexpr int kMaxPixelSize = 1000;

// DrawText formats beyond those of the framework's header.
constexpr UINT kNoClip = 0x0100;             // DT_NOCLIP
constexpr UINT kExternalLeading = 0x0200;    // DT_EXTERNALLEADING: no leading with these faces
constexpr UINT kCalcRect = 0x0400;           // DT_CALCRECT
constexpr UINT kInternal = 0x1000;           // DT_INTERNAL: the system font is the default font here
constexpr UINT kNoFullWidthBreak = 0x80000;  // DT_NOFULLWIDTHCHARBREAK: no effect on these scripts
constexpr UINT kSupportedFormats = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK | DT_SINGLELINE |
                                   DT_NOPREFIX | DT_EDITCONTROL | kNoClip | kExternalLeading | kCalcRect |
                                   kInternal | kNoFullWidthBreak;

// ---- faces and their files

enum class Family { Sans, Serif, Mono };

struct FaceRequest {
  Family family;
  bool bold;
  bool italic;
};

const char* FamilyName(Family family) {
  switch (family) {
    case Family::Serif: return "Liberation Serif";
    case Family::Mono: return "Liberation Mono";
    case Family::Sans: break;
  }
  return "Liberation Sans";
}

std::string FileName(const FaceRequest& face) {
  std::string name = face.family == Family::Serif ? "LiberationSerif" : face.family == Family::Mono ? "LiberationMono"
                                                                                                    : "LiberationSans";
  const char* style = face.bold && face.italic ? "BoldItalic" : face.bold ? "Bold" : face.italic ? "Italic" : "Regular";
  return name + "-" + style + ".ttf";
}

std::string Lowercase(const WCHAR* text, std::size_t limit) {
  std::string s;
  for (std::size_t i = 0; i < limit && text[i]; ++i) {
    WCHAR c = text[i];
    s += c < 128 ? char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) : '?';
  }
  return s;
}

FaceRequest FaceFor(const LOGFONTW& lf) {
  std::string name = Lowercase(lf.lfFaceName, LF_FACESIZE);
  Family family = Family::Sans;
  if (name == "times new roman" || name == "times" || name == "liberation serif") family = Family::Serif;
  if (name == "courier new" || name == "courier" || name == "liberation mono") family = Family::Mono;
  return {family, lf.lfWeight >= 600, lf.lfItalic != 0};
}

bool FileExists(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return file.good();
}

// The file of a face: the usual install places first, then fontconfig,
// accepted only when fontconfig found the Liberation family itself (not a
// substitute of other metrics). Empty when it is not installed.
std::string FindFaceFile(const FaceRequest& face) {
  const std::string file = FileName(face);
  for (const char* dir : {"/usr/share/fonts/truetype/liberation/", "/usr/share/fonts/truetype/liberation2/",
                          "/usr/share/fonts/liberation/", "/usr/share/fonts/liberation-fonts/",
                          "/usr/local/share/fonts/"}) {
    if (FileExists(dir + file)) return dir + file;
  }
  std::string found;
  if (!FcInit()) return found;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(FamilyName(face.family)));
  FcPatternAddInteger(pattern, FC_WEIGHT, face.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, face.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  if (match) {
    FcChar8* family = nullptr;
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
        FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
        std::string(reinterpret_cast<const char*>(family)) == FamilyName(face.family)) {
      found = reinterpret_cast<const char*>(path);
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return found;
}

[[noreturn]] void ThrowMissingFace(const FaceRequest& face) {
  throw CException("the font file " + FileName(face) +
                   " was not found: text needs the Liberation fonts (Debian package fonts-liberation)");
}

// ---- FreeType

struct FaceMetrics {
  int unitsPerEm;
  int winAscent;
  int winDescent;
  int avgCharWidth;
};

class FontLibrary;

}  // namespace

struct Glyph {
  int left = 0;     // from the pen position to the bitmap's first column
  int top = 0;      // from the baseline up to the bitmap's first row
  int width = 0;
  int rows = 0;
  int advance = 0;  // whole pixels
  std::vector<std::uint8_t> coverage;  // rows x width, 0 = none, 255 = full
};

struct FontInstance {
  FT_Face face = nullptr;
  int ascent = 0;
  int descent = 0;
  int underlineOffset = 1;  // below the baseline
  int underlineThickness = 1;
  int strikeOffset = 3;  // above the baseline
  int em = 1;            // pixels per em: no glyph reaches further left of its origin
  std::array<std::unique_ptr<Glyph>, 256> latin;
  std::unordered_map<char32_t, std::unique_ptr<Glyph>> others;

  const Glyph& Get(char32_t c) {
    std::unique_ptr<Glyph>& slot = c < 256 ? latin[c] : others[c];
    if (!slot) slot = Render(c);
    return *slot;
  }

 private:
  std::unique_ptr<Glyph> Render(char32_t c) const {
    auto glyph = std::make_unique<Glyph>();
    FT_UInt index = FT_Get_Char_Index(face, FT_ULong(c));
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return glyph;
    FT_GlyphSlot slot = face->glyph;
    glyph->advance = int((slot->advance.x + 32) >> 6);
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) return glyph;
    glyph->left = slot->bitmap_left;
    glyph->top = slot->bitmap_top;
    glyph->width = int(bitmap.width);
    glyph->rows = int(bitmap.rows);
    glyph->coverage.resize(std::size_t(glyph->width) * std::size_t(glyph->rows));
    const int scale = bitmap.num_grays > 1 ? int(bitmap.num_grays) - 1 : 255;
    for (int y = 0; y < glyph->rows; ++y) {
      const unsigned char* row = bitmap.buffer + std::ptrdiff_t(y) * bitmap.pitch;
      for (int x = 0; x < glyph->width; ++x) {
        glyph->coverage[std::size_t(y) * std::size_t(glyph->width) + std::size_t(x)] =
            std::uint8_t(scale == 255 ? row[x] : row[x] * 255 / scale);
      }
    }
    return glyph;
  }
};

namespace {

int ScaleRounded(long long units, int ppem, int unitsPerEm) {
  long long n = units * ppem;
  return int(n >= 0 ? (n + unitsPerEm / 2) / unitsPerEm : -((-n + unitsPerEm / 2) / unitsPerEm));
}

int ClampPixels(long long pixels) { return int(std::clamp<long long>(pixels, 1, kMaxPixelSize)); }

// The process's FreeType library, font files and sized faces. One lock
// guards them all: text is drawn on the window thread, so it is never
// contended in practice.
class FontLibrary {
 public:
  static FontLibrary& Instance() {
    static FontLibrary* library = new FontLibrary();  // lives until exit with its faces
    return *library;
  }

  std::mutex& Lock() { return m_lock; }

  // The sized face of a font object, resolved on its first use. Call with the lock held.
  FontInstance& Resolve(FontData& font) {
    if (font.instance) return *font.instance;
    FaceRequest request = FaceFor(font.lf);
    const std::vector<unsigned char>& bytes = FileBytes(request);
    FT_Face probe = OpenFace(bytes);
    FaceMetrics metrics = ReadMetrics(probe);
    FT_Done_Face(probe);

    long long height = font.lf.lfHeight == 0 ? -kDefaultHeight : font.lf.lfHeight;
    int ppem = height < 0 ? ClampPixels(-height)
                          : ClampPixels((height * metrics.unitsPerEm + (metrics.winAscent + metrics.winDescent) / 2) /
                                        (metrics.winAscent + metrics.winDescent));
    int pixelWidth = 0;
    if (font.lf.lfWidth != 0 && metrics.avgCharWidth > 0) {
      // lfWidth is the average character width: scale the em so it is met.
      long long width = font.lf.lfWidth < 0 ? -(long long)font.lf.lfWidth : font.lf.lfWidth;
      pixelWidth = ClampPixels((width * metrics.unitsPerEm + metrics.avgCharWidth / 2) / metrics.avgCharWidth);
    }
    auto key = std::make_tuple(FileName(request), ppem, pixelWidth);
    std::unique_ptr<FontInstance>& slot = m_instances[key];
    if (!slot) slot = NewInstance(bytes, metrics, ppem, pixelWidth);
    font.instance = slot.get();
    return *slot;
  }

 private:
  FontLibrary() {
    if (FT_Init_FreeType(&m_library) != 0) throw CException("FreeType could not be initialised");
    // The classic bytecode interpreter hints in both directions, as the
    // platform's rasterizer does: stems land on whole pixels and advances
    // are the fonts' hinted widths.
    FT_UInt interpreter = TT_INTERPRETER_VERSION_35;
    FT_Property_Set(m_library, "truetype", "interpreter-version", &interpreter);
  }

  const std::vector<unsigned char>& FileBytes(FaceRequest request) {
    std::string name = FileName(request);
    auto found = m_files.find(name);
    if (found != m_files.end()) return found->second;
    std::string path = FindFaceFile(request);
    if (path.empty() && request.family != Family::Sans) {
      // Without the serif or monospaced face, the sans face still has the right heights.
      request.family = Family::Sans;
      return FileBytes(request);
    }
    if (path.empty()) ThrowMissingFace(request);
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.empty()) throw CException("the font file " + path + " could not be read");
    return m_files.emplace(name, std::move(bytes)).first->second;
  }

  FT_Face OpenFace(const std::vector<unsigned char>& bytes) {
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(m_library, bytes.data(), FT_Long(bytes.size()), 0, &face) != 0) {
      throw CException("FreeType could not open a Liberation font file");
    }
    return face;
  }

  static FaceMetrics ReadMetrics(FT_Face face) {
    FaceMetrics m{face->units_per_EM ? int(face->units_per_EM) : 2048, face->ascender, -face->descender, 0};
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
      m.winAscent = os2->usWinAscent;
      m.winDescent = os2->usWinDescent;
      m.avgCharWidth = os2->xAvgCharWidth;
    }
    if (m.winAscent + m.winDescent <= 0) m.winAscent = m.unitsPerEm;
    return m;
  }

  std::unique_ptr<FontInstance> NewInstance(const std::vector<unsigned char>& bytes, const FaceMetrics& metrics,
                                            int ppem, int pixelWidth) {
    auto instance = std::make_unique<FontInstance>();
    instance->face = OpenFace(bytes);
    FT_Set_Pixel_Sizes(instance->face, FT_UInt(pixelWidth), FT_UInt(ppem));
    instance->em = ppem;
    instance->ascent = ScaleRounded(metrics.winAscent, ppem, metrics.unitsPerEm);
    instance->descent = ScaleRounded(metrics.winDescent, ppem, metrics.unitsPerEm);
    FT_Face face = instance->face;
    instance->underlineOffset = std::max(1, ScaleRounded(-face->underline_position, ppem, metrics.unitsPerEm));
    instance->underlineThickness = std::max(1, ScaleRounded(face->underline_thickness, ppem, metrics.unitsPerEm));
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    instance->strikeOffset = os2 ? ScaleRounded(os2->yStrikeoutPosition, ppem, metrics.unitsPerEm)
                                 : instance->ascent / 3;
    return instance;
  }

  std::mutex m_lock;
  FT_Library m_library = nullptr;
  std::map<std::string, std::vector<unsigned char>> m_files;
  std::map<std::tuple<std::string, int, int>, std::unique_ptr<FontInstance>> m_instances;
};

// ---- layout

struct Line {
  int start;  // into the decoded characters
  int end;
  int width;
};

// The text of one DrawText call, decoded, with its prefix marks and lines.
// Kept per thread so that drawing allocates nothing once warmed up.
struct Layout {
  std::vector<char32_t> chars;
  std::vector<std::uint8_t> underlined;  // per character, from a '&' prefix
  std::vector<Line> lines;
  bool anyUnderlined = false;
};

bool IsLineBreak(char32_t c) { return c == U'\r' || c == U'\n'; }

// UTF-16 to code points; '&' prefixes resolved unless DT_NOPREFIX.
void Decode(const WCHAR* text, int count, bool prefixes, Layout& layout) {
  layout.chars.clear();
  layout.underlined.clear();
  layout.anyUnderlined = false;
  bool underlineNext = false;
  for (int i = 0; i < count; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (prefixes && c == U'&' && !underlineNext) {
      // "&&" shows one '&'; a single '&' underlines what follows it.
      if (i + 1 < count && text[i + 1] == u'&') {
        ++i;
      } else {
        underlineNext = true;
        continue;
      }
    }
    layout.chars.push_back(c);
    layout.underlined.push_back(underlineNext ? 1 : 0);
    layout.anyUnderlined |= underlineNext;
    underlineNext = false;
  }
}

int Advance(FontInstance& font, const Layout& layout, int start, int end) {
  int width = 0;
  for (int i = start; i < end; ++i) width += font.Get(layout.chars[std::size_t(i)]).advance;
  return width;
}

// Greedy word wrapping of chars[start, end) (no hard breaks inside): a line
// breaks at the spaces before a word that would pass maxWidth; the spaces at
// a break are dropped; a word wider than maxWidth stays whole on its line.
void WrapWords(FontInstance& font, Layout& layout, int start, int end, int maxWidth) {
  const auto& chars = layout.chars;
  auto wordEnd = [&](int i) {
    while (i < end && chars[std::size_t(i)] != U' ') ++i;
    return i;
  };
  auto spacesEnd = [&](int i) {
    while (i < end && chars[std::size_t(i)] == U' ') ++i;
    return i;
  };
  int lineStart = start, width = 0, i = start;
  while (i < end) {
    if (chars[std::size_t(i)] != U' ') {
      int next = wordEnd(i);
      width += Advance(font, layout, i, next);
      i = next;
      continue;
    }
    int wordStart = spacesEnd(i);
    int next = wordEnd(wordStart);
    int spaceWidth = Advance(font, layout, i, wordStart);
    int wordWidth = Advance(font, layout, wordStart, next);
    if (next > wordStart && width > 0 && width + spaceWidth + wordWidth > maxWidth) {
      layout.lines.push_back({lineStart, i, width});
      lineStart = wordStart;
      width = wordWidth;
    } else {
      width += spaceWidth + wordWidth;
    }
    i = next;
  }
  layout.lines.push_back({lineStart, end, width});
}

void BreakLines(FontInstance& font, Layout& layout, UINT format, int maxWidth) {
  layout.lines.clear();
  const int count = int(layout.chars.size());
  if (format & DT_SINGLELINE) {
    layout.lines.push_back({0, count, Advance(font, layout, 0, count)});
    return;
  }
  int start = 0;
  while (start <= count) {
    int end = start;
    while (end < count && !IsLineBreak(layout.chars[std::size_t(end)])) ++end;
    if (format & DT_WORDBREAK) WrapWords(font, layout, start, end, maxWidth);
    else layout.lines.push_back({start, end, Advance(font, layout, start, end)});
    if (end >= count) break;
    // CR LF is one break; a lone CR or LF is one each.
    int next = end + 1;
    if (layout.chars[std::size_t(end)] == U'\r' && next < count && layout.chars[std::size_t(next)] == U'\n') ++next;
    start = next;
    if (start == count) break;  // a break at the very end adds no empty line
  }
}

// ---- pixels

inline COLORREF Blend(COLORREF dst, COLORREF src, unsigned coverage) {
  // Two channels per multiply: red and blue in one word, green in another.
  unsigned a = coverage + (coverage >> 7);  // 0..256
  unsigned rb = ((src & 0xFF00FF) * a + (dst & 0xFF00FF) * (256 - a)) >> 8;
  unsigned g = ((src & 0x00FF00) * a + (dst & 0x00FF00) * (256 - a)) >> 8;
  return (rb & 0xFF00FF) | (g & 0x00FF00);
}

// Blends one row of coverage into count pixels.
void BlendRow(COLORREF* dst, const std::uint8_t* coverage, int count, COLORREF color) {
  int x = 0;
#if defined(__SSE2__)
  // Four pixels at a time, each channel in a 16-bit lane:
  // (color * a + dst * (256 - a)) >> 8, the same sums as Blend.
  const __m128i zero = _mm_setzero_si128();
  const __m128i colorLanes = _mm_unpacklo_epi8(_mm_set1_epi32(int(color)), zero);
  const __m128i full = _mm_set1_epi16(256);
  for (; x + 4 <= count; x += 4) {
    std::uint32_t four;
    std::memcpy(&four, coverage + x, 4);
    if (four == 0) continue;
    if (four == 0xFFFFFFFFu) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_set1_epi32(int(color)));
      continue;
    }
    __m128i a = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(four)), zero);  // a0..a3 as 16 bits
    a = _mm_add_epi16(a, _mm_srli_epi16(a, 7));                          // 0..256
    a = _mm_unpacklo_epi16(a, a);                                        // a0 a0 a1 a1 a2 a2 a3 a3
    const __m128i aLow = _mm_unpacklo_epi32(a, a);                       // a0 x4, a1 x4
    const __m128i aHigh = _mm_unpackhi_epi32(a, a);                      // a2 x4, a3 x4
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + x));
    const __m128i low = _mm_unpacklo_epi8(pixels, zero);
    const __m128i high = _mm_unpackhi_epi8(pixels, zero);
    const __m128i blendedLow = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(colorLanes, aLow), _mm_mullo_epi16(low, _mm_sub_epi16(full, aLow))), 8);
    const __m128i blendedHigh = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(colorLanes, aHigh), _mm_mullo_epi16(high, _mm_sub_epi16(full, aHigh))), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(blendedLow, blendedHigh));
  }
#endif
  // Small hinted glyphs are mostly empty or solid pixels: skipping those
  // beats blending every pixel.
  for (; x < count; ++x) {
    unsigned a = coverage[x];
    if (a == 0) continue;
    dst[x] = a == 255 ? color : Blend(dst[x], color, a);
  }
}

void DrawGlyph(Pixmap& device, const Glyph& glyph, long long originX, long long baselineY, const CRect& clip,
               COLORREF color) {
  if (glyph.coverage.empty()) return;
  const long long gx = originX + glyph.left, gy = baselineY - glyph.top;
  const long long x0 = std::max<long long>(gx, clip.left), x1 = std::min<long long>(gx + glyph.width, clip.right);
  const long long y0 = std::max<long long>(gy, clip.top), y1 = std::min<long long>(gy + glyph.rows, clip.bottom);
  if (x0 >= x1 || y0 >= y1) return;
  const int width = int(x1 - x0);
  for (long long y = y0; y < y1; ++y) {
    const std::uint8_t* src = glyph.coverage.data() + std::size_t(y - gy) * std::size_t(glyph.width) + (x0 - gx);
    BlendRow(device.Row(int(y)) + x0, src, width, color);
  }
}

void FillClipped(Pixmap& device, const CRect& clip, long long l, long long t, long long r, long long b, COLORREF c) {
  l = std::max<long long>(l, clip.left), t = std::max<long long>(t, clip.top);
  r = std::min<long long>(r, clip.right), b = std::min<long long>(b, clip.bottom);
  if (l < r && t < b) FillDevice(device, CRect(int(l), int(t), int(r), int(b)), c);
}

[[noreturn]] void ThrowUnsupportedFormat(UINT format) {
  char text[80];
  std::snprintf(text, sizeof text, "DrawText format 0x%X", unsigned(format & ~kSupportedFormats));
  AfxThrowNotImplementedException(text);
}

Layout& ThreadLayout() {
  thread_local Layout layout;
  return layout;
}

// Where one DrawText call puts its pixels.
struct TextTarget {
  Pixmap& device;
  CRect clip;  // device pixels
  FontInstance& font;
  const LOGFONTW& lf;
  COLORREF color;
};

void FillUnder(const TextTarget& t, long long x0, long long x1, long long top, int thickness) {
  FillClipped(t.device, t.clip, x0, top, x1, top + thickness, t.color);
}

// One laid-out line with its first glyph's origin at device (x, y's baseline).
void DrawTextLine(const TextTarget& t, const Layout& layout, const Line& line, long long x, long long baseline) {
  const FontInstance& metrics = t.font;
  long long pen = x;
  // Glyphs starting an em past the clip cannot reach back into it; long
  // texts in narrow cells end there.
  const long long inkLimit = (long long)t.clip.right + metrics.em;
  const bool underlines = layout.anyUnderlined || t.lf.lfUnderline || t.lf.lfStrikeOut;
  for (int c = line.start; c < line.end && (pen < inkLimit || underlines); ++c) {
    const Glyph& glyph = t.font.Get(layout.chars[std::size_t(c)]);
    DrawGlyph(t.device, glyph, pen, baseline, t.clip, t.color);
    if (layout.anyUnderlined && layout.underlined[std::size_t(c)]) {
      FillUnder(t, pen, pen + glyph.advance, baseline + metrics.underlineOffset, metrics.underlineThickness);
    }
    pen += glyph.advance;
  }
  if (t.lf.lfUnderline) {
    FillUnder(t, x, x + line.width, baseline + metrics.underlineOffset, metrics.underlineThickness);
  }
  if (t.lf.lfStrikeOut) {
    FillUnder(t, x, x + line.width, baseline - metrics.strikeOffset, metrics.underlineThickness);
  }
}

// DT_CALCRECT: measures without drawing. The rectangle takes the text's
// width, and its bottom the height DrawText reports (with a centred single
// line, from the top to the bottom of the centred line).
int CalcRect(const Layout& layout, RECT& rect, long long firstLineTop, int lineHeight) {
  int widest = 0;
  for (const Line& line : layout.lines) widest = std::max(widest, line.width);
  long long height = firstLineTop - rect.top + (long long)lineHeight * (long long)layout.lines.size();
  rect.right = LONG(std::clamp<long long>((long long)rect.left + widest, INT_MIN, INT_MAX));
  rect.bottom = LONG(std::clamp<long long>((long long)rect.top + height, INT_MIN, INT_MAX));
  return int(std::clamp<long long>(height, INT_MIN, INT_MAX));
}

void CheckDrawable(const DCState& dc, UINT format) {
  if (format & ~kSupportedFormats) ThrowUnsupportedFormat(format);
  if (dc.font->lf.lfEscapement != 0 || dc.font->lf.lfOrientation != 0) {
    AfxThrowNotImplementedException("DrawText with a rotated font (lfEscapement or lfOrientation)");
  }
}

}  // namespace

int DrawTextOn(DCState& dc, const WCHAR* text, int count, RECT& rect, UINT format) {
  CheckDrawable(dc, format);
  if (count == -1) count = int(std::char_traits<WCHAR>::length(text));
  if (count <= 0) {
    if (count == 0 && (format & kCalcRect)) rect.right = rect.left, rect.bottom = rect.top;
    return 0;
  }

  FontLibrary& library = FontLibrary::Instance();
  std::lock_guard<std::mutex> guard(library.Lock());
  FontInstance& font = library.Resolve(*dc.font);
  Layout& layout = ThreadLayout();
  Decode(text, count, !(format & DT_NOPREFIX), layout);
  const long long left = rect.left, top = rect.top, right = rect.right, bottom = rect.bottom;
  BreakLines(font, layout, format, int(std::clamp<long long>(right - left, INT_MIN, INT_MAX)));

  const int lineHeight = font.ascent + font.descent;
  long long y = top;
  if (format & DT_SINGLELINE) {
    // The division truncates toward zero, as the platform's does: a line in
    // a rectangle lower than itself overhangs one pixel more at the top.
    if (format & DT_VCENTER) y = top + (bottom - top - lineHeight) / 2;
    else if (format & DT_BOTTOM) y = bottom - lineHeight;
  }
  if (format & kCalcRect) return CalcRect(layout, rect, y, lineHeight);

  // The rectangle clips the text (unless DT_NOCLIP); an inverted rectangle shows nothing.
  CRect clip = dc.DeviceClip();
  if (!(format & kNoClip)) {
    clip = (left < right && top < bottom) ? LogicalToClippedDevice(dc, left, top, right, bottom) : CRect();
  }
  const TextTarget target{dc.Device(), clip, font, dc.font->lf, dc.textColor};
  const bool multiLine = !(format & DT_SINGLELINE);
  for (std::size_t i = 0; i < layout.lines.size(); ++i) {
    const Line& line = layout.lines[i];
    // An edit control shows no partially visible line after the first.
    if (multiLine && (format & DT_EDITCONTROL) && i > 0 && y + lineHeight > bottom) break;
    long long x = left;
    if (format & DT_CENTER) x = left + (right - left - line.width) / 2;
    else if (format & DT_RIGHT) x = right - line.width;
    const long long dx = x - dc.origin.x, dy = y - dc.origin.y;
    // In OPAQUE mode the line's cells take the background colour first.
    if (dc.bkMode == OPAQUE) FillClipped(target.device, clip, dx, dy, dx + line.width, dy + lineHeight, dc.bkColor);
    if (!clip.IsRectEmpty()) DrawTextLine(target, layout, line, dx, dy + font.ascent);
    y += lineHeight;
    // Lines wholly below the rectangle are clipped away: stop after the one crossing it.
    if (multiLine && !(format & kNoClip) && y >= bottom) break;
  }
  return int(std::clamp<long long>(y - top, INT_MIN, INT_MAX));
}

}  // namespace Gdi

namespace {
Gdi::DCState& StateFor(CDC& dc) {
  if (!dc.m_hDC) AfxThrowInvalidArgException("the drawing context has no device");
  return *static_cast<Gdi::DCState*>(dc.m_hDC);
}
}  // namespace

TextMetrics GetTextMetrics(CDC& dc) {
  Gdi::DCState& state = StateFor(dc);
  auto& library = Gdi::FontLibrary::Instance();
  std::lock_guard<std::mutex> guard(library.Lock());
  Gdi::FontInstance& font = library.Resolve(*state.font);
  return TextMetrics{font.ascent + font.descent, font.ascent, font.descent};
}

int GetTextWidth(CDC& dc, const std::u16string& text) {
  Gdi::DCState& state = StateFor(dc);
  auto& library = Gdi::FontLibrary::Instance();
  std::lock_guard<std::mutex> guard(library.Lock());
  Gdi::FontInstance& font = library.Resolve(*state.font);
  Gdi::Layout& layout = Gdi::ThreadLayout();
  Gdi::Decode(text.data(), int(text.size()), false, layout);
  return Gdi::Advance(font, layout, 0, int(layout.chars.size()));
}

}  // namespace TzGrid::Headless
