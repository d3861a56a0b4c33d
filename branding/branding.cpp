#include "branding/branding.h"

namespace tavix::branding {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlue = 0x0080FF;
constexpr std::uint32_t kGrey = 0x808080;
constexpr std::uint32_t kBlack = 0x000000;

using L = Line;

// Every title and vendor line in one place: {line, left, top, points}.
constexpr TextItem T(int left, int top, int size) {
  return {L::kTitle, left, top, size};
}
constexpr TextItem Name(int left, int top, int size) {
  return {L::kName, left, top, size};
}
constexpr TextItem Tel(int left, int top, int size) {
  return {L::kTelephone, left, top, size};
}
constexpr TextItem Addr(int left, int top, int size) {
  return {L::kAddress, left, top, size};
}
constexpr TextItem Web(int left, int top, int size) {
  return {L::kWeb, left, top, size};
}

// {backdrop, picture top, picture left, bitmap, style, items used, items}.
constexpr Branding kScope[] = {
    {kWhite, 5, 800, nullptr, kStyle2, 1, {T(280, 20, 22)}},
    {kWhite, 5, 646, kLogoOnWhite, kStyle1, 3, {T(280, 20, 22), Name(15, 13, 14), Tel(15, 32, 14)}},
    {kWhite,
     5,
     705,
     kLogoOnWhite,
     kStyle2,
     4,
     {T(280, 20, 22), Addr(15, 21, 14), Tel(15, 37, 14), Name(15, 5, 14)}},
    {kWhite, 6, 572, kLogoOnWhite, kStyle1, 1, {T(20, 16, 25)}},
    {kWhite, 6, 636, kLogoOnWhite, kStyle1, 1, {T(20, 16, 25)}},
    {kBlue,
     6,
     325,
     kLogoOnBlue,
     kStyle3,
     4,
     {T(323, 30, 18), Name(15, 5, 12), Tel(15, 20, 12), Web(15, 35, 12)}},
    {kWhite,
     6,
     599,
     kLogoOnWhite,
     kStyle2,
     4,
     {T(340, 20, 22), Addr(15, 20, 14), Tel(15, 35, 14), Name(15, 5, 14)}},
    {kWhite, 5, 649, kLogoOnWhite, kStyle1, 3, {T(280, 20, 22), Name(15, 13, 14), Tel(15, 32, 14)}},
    {kWhite, 5, 594, kLogoOnWhite, kStyle1, 3, {T(280, 20, 22), Name(15, 13, 14), Tel(15, 32, 14)}},
    {kWhite, 2, 7, kLogoOnWhite, kStyle3, 1, {T(280, 20, 22)}},
    {kWhite, 6, 640, kLogoOnWhite, kStyle1, 1, {T(20, 16, 25)}},
};

constexpr Branding kCalib[] = {
    {kWhite, 5, 640, nullptr, kStyle2, 1, {T(180, 20, 22)}},
    {kWhite, 5, 485, kLogoOnWhite, kStyle1, 3, {T(220, 20, 18), Name(15, 13, 14), Tel(15, 32, 14)}},
    {kWhite,
     5,
     540,
     kLogoOnWhite,
     kStyle2,
     4,
     {T(220, 20, 22), Addr(15, 21, 14), Tel(15, 37, 14), Name(15, 5, 14)}},
    {kWhite, 6, 415, kLogoOnWhite, kStyle1, 1, {T(20, 16, 25)}},
    {kWhite, 6, 475, kLogoOnWhite, kStyle1, 1, {T(20, 16, 25)}},
    {kBlue,
     6,
     168,
     kLogoOnBlue,
     kStyle4,
     4,
     {T(218, 30, 18), Name(15, 5, 12), Tel(15, 20, 12), Web(15, 35, 12)}},
    {kWhite,
     6,
     445,
     kLogoOnWhite,
     kStyle2,
     4,
     {T(220, 30, 20), Addr(15, 20, 10), Tel(15, 35, 10), Name(15, 5, 10)}},
    {kWhite, 5, 495, kLogoOnWhite, kStyle1, 3, {T(230, 20, 20), Name(15, 13, 14), Tel(15, 32, 14)}},
    {kWhite, 5, 435, kLogoOnWhite, kStyle1, 3, {T(180, 20, 18), Name(15, 13, 14), Tel(15, 32, 14)}},
    {kWhite, 2, 5, kLogoOnWhite, kStyle3, 1, {T(200, 20, 18)}},
    {kWhite, 6, 480, kLogoOnWhite, kStyle1, 1, {T(20, 18, 22)}},
    {kWhite, 6, 480, kLogoOnWhite, kStyle1, 1, {T(20, 18, 22)}},
};

QString TextOf(Line line, const char* title) {
  switch (line) {
    case L::kTitle:
      return QString::fromUtf8(title);
    case L::kName:
      return QString::fromUtf8(kVendorName);
    case L::kTelephone:
      return QString::fromUtf8(kVendorTelephone);
    case L::kAddress:
      return QString::fromUtf8(kVendorAddress);
    case L::kWeb:
      return QString::fromUtf8(kVendorWeb);
  }
  return QString();
}

void ShowInfoText(ui::Toolkit& tk, int panel, std::uint32_t textColour, std::uint32_t background,
                  const QString& text, int left, int top, int size) {
  const QString ctrl = tk.NewTextMsg(panel, top, left);
  if (ctrl.isEmpty()) return;
  tk.SetFont(panel, ctrl, QString(), size);  // the application's font
  tk.SetBackColor(panel, ctrl, background);
  tk.SetTextColor(panel, ctrl, textColour);
  tk.SetCtrlVal(panel, ctrl, text);
}

}  // namespace

const BrandingTable kScopeBrandings{"TAVIX-Scope V1.0", kScope};
const BrandingTable kCalibBrandings{"TAVIX-CALIB-Scope V1.0", kCalib};

void ShowInfoText1(ui::Toolkit& tk, int panel, const QString& text, int left, int top, int size) {
  ShowInfoText(tk, panel, kGrey, kWhite, text, left, top, size);
}

void ShowInfoText2(ui::Toolkit& tk, int panel, const QString& text, int left, int top, int size) {
  ShowInfoText(tk, panel, kBlack, kWhite, text, left, top, size);
}

void ShowInfoText3(ui::Toolkit& tk, int panel, const QString& text, int left, int top, int size) {
  ShowInfoText(tk, panel, kWhite, ui::kTransparent, text, left, top, size);
}

void ShowInfoText4(ui::Toolkit& tk, int panel, const QString& text, int left, int top, int size) {
  ShowInfoText(tk, panel, kWhite, kBlue, text, left, top, size);
}

void ShowLogo(ui::Toolkit& tk, int panel, const BrandingTable& table, int number) {
  if (number < 0 || number >= static_cast<int>(table.brandings.size())) return;
  const Branding& b = table.brandings[static_cast<std::size_t>(number)];
  tk.SetBackColor(panel, kBackdropControl, b.backdrop);
  tk.SetPosition(panel, kPictureControl, b.pictureTop, b.pictureLeft);
  // A bitmap that cannot be read is no reason to stop: the header goes on without it.
  if (b.bitmap != nullptr) tk.DisplayImageFile(panel, kPictureControl, b.bitmap);
  using Routine = void (*)(ui::Toolkit&, int, const QString&, int, int, int);
  constexpr Routine kRoutines[] = {ShowInfoText1, ShowInfoText2, ShowInfoText3, ShowInfoText4};
  const Routine show = kRoutines[b.style - 1];
  for (int i = 0; i < b.count; ++i) {
    const TextItem& item = b.items[static_cast<std::size_t>(i)];
    show(tk, panel, TextOf(item.line, table.title), item.left, item.top, item.size);
  }
}

}  // namespace tavix::branding
