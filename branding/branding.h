// The start-screen header both programs draw once at start: a backdrop, the
// logo bitmap in a picture control, the program title and the vendor lines,
// as text controls made at run time. Each program has its own table of
// brandings; each draws branding 5.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include <QString>

#include "ui/toolkit.h"

namespace tavix::branding {

// The controls of a main panel that the header uses.
inline constexpr const char* kBackdropControl = "Header";  // its colour is the backdrop
inline constexpr const char* kPictureControl = "Logo";     // shows the logo bitmap

// The branding both programs show at start.
inline constexpr int kStartBranding = 5;

// Text styles: grey on white, black on white, white on transparent, white on blue.
enum TextStyle : int { kStyle1 = 1, kStyle2 = 2, kStyle3 = 3, kStyle4 = 4 };

// What a text item shows.
enum class Line { kTitle, kName, kTelephone, kAddress, kWeb };

struct TextItem {
  Line line;
  int left;
  int top;
  int size;  // points
};

struct Branding {
  std::uint32_t backdrop;
  int pictureTop;
  int pictureLeft;
  const char* bitmap;  // bare file name; nullptr: no bitmap
  TextStyle style;
  int count;  // text items used, title first
  std::array<TextItem, 4> items;
};

struct BrandingTable {
  const char* title;  // the program's title
  std::span<const Branding> brandings;
};

// TavixScope's 11 brandings (0..10) and TavixCalib's 12 (0..11).
extern const BrandingTable kScopeBrandings;
extern const BrandingTable kCalibBrandings;

// The vendor lines of every branding. The vendor is fictional; the number
// is from the range kept for fiction. The lines stand 15 pixels apart in
// branding 5, so the ones above the last have no letters that reach below
// the line.
inline constexpr const char* kVendorName = "Demo Instruments";
inline constexpr const char* kVendorTelephone = "Tel. 555-0147";
inline constexpr const char* kVendorAddress = "1 Demo Street, Testtown";
inline constexpr const char* kVendorWeb = "www.example.com";

// Logo bitmaps: white for the blue backdrop, blue for the white ones.
inline constexpr const char* kLogoOnBlue = "tavix-logo.png";
inline constexpr const char* kLogoOnWhite = "tavix-logo-dark.png";

// Draws branding `number` of `table` on `panel`: the backdrop colour, the
// picture moved and showing its bitmap (a bitmap that cannot be read leaves
// the picture as it was), then the text items in order. A number outside
// the table draws nothing.
void ShowLogo(ui::Toolkit& tk, int panel, const BrandingTable& table, int number);

// Each makes one new text control on `panel` at (left, top), in the
// application's font at `size` points, showing `text`: grey on white (1),
// black on white (2), white on transparent (3), white on blue (4).
void ShowInfoText1(ui::Toolkit& tk, int panel, const QString& text, int left, int top, int size);
void ShowInfoText2(ui::Toolkit& tk, int panel, const QString& text, int left, int top, int size);
void ShowInfoText3(ui::Toolkit& tk, int panel, const QString& text, int left, int top, int size);
void ShowInfoText4(ui::Toolkit& tk, int panel, const QString& text, int left, int top, int size);

}  // namespace tavix::branding
