// The Korean texts are drawn as letters in the fonts the system draws them
// in. A system font without Hangul, and no fallback to a Korean face, draws
// every syllable as the same empty box: the texts are right, yet nobody can
// read them.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "resources/texts.h"
#include "win32/code_page.h"
#include "win32/error.h"
#include "win32/unique.h"

namespace {

constexpr int kCell = 64;  // pixels, room for one glyph at any test scale

struct DcDeleter {
  void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

std::wstring DistinctSyllablesOfTheTexts() {
  const std::wstring texts = std::wstring(texts::kForm1Caption) + texts::kLabel1Text +
                             texts::kInstalledPrompt + texts::kInstalledTitle + texts::kErrorHeadline;
  std::set<wchar_t> syllables;
  for (wchar_t c : texts) {
    if (c >= 0xAC00 && c <= 0xD7A3) syllables.insert(c);
  }
  return std::wstring(syllables.begin(), syllables.end());
}

// The pixels of `glyph` drawn black on white in `font`.
std::vector<uint32_t> Drawn(const LOGFONTW& font, wchar_t glyph) {
  const UniqueDc dc(CreateCompatibleDC(nullptr));
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = kCell;
  info.bmiHeader.biHeight = -kCell;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const UniqueFont face(CreateFontIndirectW(&font));
  if (!dc || !bitmap || !face) return {};
  const HGDIOBJ old_bitmap = SelectObject(dc.get(), bitmap.get());
  const HGDIOBJ old_font = SelectObject(dc.get(), face.get());
  const RECT cell = {0, 0, kCell, kCell};
  FillRect(dc.get(), &cell, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc.get(), TRANSPARENT);
  TextOutW(dc.get(), 4, 4, &glyph, 1);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  std::vector<uint32_t> drawn(pixels, pixels + kCell * kCell);
  SelectObject(dc.get(), old_font);
  SelectObject(dc.get(), old_bitmap);
  return drawn;
}

TEST(HangulGlyphs, TheMessageAndCaptionFontsDrawEverySyllableOfTheTextsDistinctly) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
  const std::wstring syllables = DistinctSyllablesOfTheTexts();
  ASSERT_GE(syllables.size(), 20u);

  for (const LOGFONTW* font : {&metrics.lfMessageFont, &metrics.lfCaptionFont}) {
    // A space draws the blank cell, so a syllable drawn blank adds no shape.
    std::set<std::vector<uint32_t>> shapes = {Drawn(*font, L' ')};
    for (wchar_t syllable : syllables) shapes.insert(Drawn(*font, syllable));
    EXPECT_EQ(shapes.size() - 1, syllables.size())
        << syllables.size() << " syllables drawn as " << shapes.size() - 1 << " distinct non-blank shapes in "
        << ToUtf8(font->lfFaceName) << ": Hangul comes out as boxes";
  }
}

}  // namespace
