// The start-screen header on each program's own main panel: what the
// branding draws, where and how, and what it leaves alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPixmap>

#include "branding/branding.h"
#include "ui/toolkit.h"

namespace tavix::branding {
namespace {

struct Program {
  const char* bundle;
  int resource;  // the main panel
  const BrandingTable* table;
};
const Program kScope{"TavixScope.uir", 2, &kScopeBrandings};
const Program kCalib{"TavixCalib.uir", 1, &kCalibBrandings};

class Header : public ::testing::Test {
 protected:
  int Load(const Program& p) {
    const int panel = tk.LoadPanel(0, p.bundle, p.resource);
    EXPECT_GT(panel, 0) << p.bundle;
    return panel;
  }
  QLabel* Logo(int panel) const { return qobject_cast<QLabel*>(tk.Control(panel, "Logo")); }
  // The texts drawn, in the order they were made, against (text, left, top,
  // size): the application font, white on `back` (0: none, the backdrop shows), whole.
  void ExpectTexts(int panel, std::vector<std::tuple<QString, int, int, int>> expected,
                   std::uint32_t back) const {
    std::vector<std::tuple<QString, int, int, int>> drawn;
    for (auto* l : tk.PanelWidget(panel)->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
      if (!l->objectName().startsWith("TextMsg")) continue;
      drawn.emplace_back(l->text(), l->x(), l->y(), l->font().pointSize());
      const QPalette& p = l->palette();
      EXPECT_EQ(
          std::tuple(l->font().family(), p.color(QPalette::WindowText).rgb() & 0xFFFFFF,
                     l->autoFillBackground() ? p.color(QPalette::Window).rgb() & 0xFFFFFF : 0,
                     l->isHidden(), l->width() >= l->fontMetrics().horizontalAdvance(l->text())),
          std::tuple(QApplication::font().family(), 0xFFFFFFu, back, false, true))
          << l->text().toStdString();
    }
    EXPECT_EQ(drawn, expected);
  }

  ui::Toolkit tk;
};

// Also run on displays scaled by 2 and 3 (QT_SCALE_FACTOR): the logo keeps
// its size on screen and holds one bitmap pixel per device pixel.
TEST_F(Header, BrandingFiveOfEachProgramDrawsItsTextsAndLogoAtTheirPlacesInTheirStyle) {
  // The program, its title and where it starts, the texts' backdrop (style 3:
  // none, style 4: blue) and where the picture is.
  const std::tuple<Program, const char*, int, std::uint32_t, QPoint> cases[] = {
      {kScope, "TAVIX-Scope V1.0", 323, 0, {325, 6}},
      {kCalib, "TAVIX-CALIB-Scope V1.0", 218, 0x0080FF, {168, 6}}};
  const qreal ratio = qApp->devicePixelRatio();
  for (const auto& [program, title, titleLeft, back, picture] : cases) {
    SCOPED_TRACE(title);
    const int panel = Load(program);
    ShowLogo(tk, panel, *program.table, kStartBranding);
    EXPECT_EQ(tk.BackColor(panel, "Header"), 0x0080FFu);
    EXPECT_EQ(Logo(panel)->geometry(), QRect(picture, QSize(100, 22)));
    const QPixmap logo = Logo(panel)->pixmap();
    EXPECT_EQ(logo.devicePixelRatio(), ratio);
    EXPECT_EQ(logo.size(), QSize(100, 22) * ratio);
    ExpectTexts(panel,
                {{title, titleLeft, 30, 18},
                 {"Demo Instruments", 15, 5, 12},
                 {"Tel. 555-0147", 15, 20, 12},
                 {"www.example.com", 15, 35, 12}},
                back);
  }
}

TEST_F(Header, ANumberOutsideTheTableDrawsNothingAndAMissingBitmapOnlyNoPicture) {
  const std::pair<Program, int> cases[] = {{kScope, 11}, {kScope, -1}, {kCalib, 12}, {kCalib, 99}};
  for (const auto& [program, number] : cases) {
    SCOPED_TRACE(number);
    const int panel = Load(program);
    auto drawn = [&] {  // the controls, the backdrop and the picture
      return std::tuple(tk.PanelWidget(panel)->findChildren<QWidget*>().size(),
                        tk.BackColor(panel, "Header"), Logo(panel)->pos(),
                        Logo(panel)->pixmap().cacheKey());
    };
    const auto before = drawn();
    ShowLogo(tk, panel, *program.table, number);
    EXPECT_EQ(drawn(), before);
  }
  // A missing bitmap leaves the picture empty and draws the rest.
  Branding missing = kCalibBrandings.brandings[kStartBranding];
  missing.bitmap = "no-such-logo.png";
  missing.count = 2;  // the title and the name
  const int panel = Load(kCalib);
  ShowLogo(tk, panel, BrandingTable{"TITLE", {&missing, 1}}, 0);
  EXPECT_TRUE(Logo(panel)->pixmap().isNull());
  ExpectTexts(panel, {{"TITLE", 218, 30, 18}, {"Demo Instruments", 15, 5, 12}}, 0x0080FF);
}

}  // namespace
}  // namespace tavix::branding
