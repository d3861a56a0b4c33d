// The start-screen header on each program's own main panel: what each
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

// Colours of a style: text, background (kTransparent: none).
struct Colours {
  std::uint32_t text, back;
};
Colours StyleColours(TextStyle style) {
  switch (style) {
    case kStyle1:
      return {0x808080, 0xFFFFFF};
    case kStyle2:
      return {0x000000, 0xFFFFFF};
    case kStyle3:
      return {0xFFFFFF, ui::kTransparent};
    case kStyle4:
      return {0xFFFFFF, 0x0080FF};
  }
  return {};
}

std::uint32_t Rgb(const QColor& c) {
  return c.rgb() & 0xFFFFFF;
}

class Header : public ::testing::Test {
 protected:
  int Load(const Program& p) {
    const int panel = tk.LoadPanel(0, p.bundle, p.resource);
    EXPECT_GT(panel, 0) << p.bundle;
    return panel;
  }
  // The texts drawn so far, in the order they were made.
  std::vector<QLabel*> Texts(int panel) const {
    std::vector<QLabel*> texts;
    for (auto* l : tk.PanelWidget(panel)->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
      if (l->objectName().startsWith("TextMsg")) texts.push_back(l);
    }
    return texts;
  }
  QLabel* Logo(int panel) const { return qobject_cast<QLabel*>(tk.Control(panel, "Logo")); }
  // One text against its item: text, place, size, font and colours.
  void ExpectText(const QLabel* l, const QString& text, int left, int top, int size,
                  TextStyle style) const {
    SCOPED_TRACE(text.toStdString());
    EXPECT_EQ(l->text(), text);
    EXPECT_EQ(l->pos(), QPoint(left, top));
    EXPECT_EQ(l->font().pointSize(), size);
    EXPECT_EQ(l->font().family(), QApplication::font().family());
    const Colours c = StyleColours(style);
    EXPECT_EQ(Rgb(l->palette().color(QPalette::WindowText)), c.text);
    EXPECT_EQ(l->autoFillBackground(), c.back != ui::kTransparent);
    if (c.back != ui::kTransparent) {
      EXPECT_EQ(Rgb(l->palette().color(QPalette::Window)), c.back);
    }
    EXPECT_FALSE(l->isHidden());
    EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(text));  // the whole text shows
  }

  ui::Toolkit tk;
};

TEST_F(Header, BrandingFiveOfEachProgramDrawsItsTextsAtTheirPlacesInTheirStyle) {
  struct Case {
    Program program;
    const char* title;
    int titleLeft;
    TextStyle style;
    QPoint picture;  // left, top
  };
  const Case cases[] = {
      {kScope, "TAVIX-Scope V1.0", 323, kStyle3, {325, 6}},
      {kCalib, "TAVIX-CALIB-Scope V1.0", 218, kStyle4, {168, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const int panel = Load(c.program);
    ShowLogo(tk, panel, *c.program.table, kStartBranding);
    EXPECT_EQ(tk.BackColor(panel, "Header"), 0x0080FFu);
    EXPECT_EQ(Logo(panel)->pos(), c.picture);
    EXPECT_EQ(Logo(panel)->pixmap().size(), QSize(100, 22));
    EXPECT_EQ(Logo(panel)->size(), QSize(100, 22));
    const std::vector<QLabel*> texts = Texts(panel);
    ASSERT_EQ(texts.size(), 4u);
    ExpectText(texts[0], c.title, c.titleLeft, 30, 18, c.style);
    ExpectText(texts[1], "Demo Instruments", 15, 5, 12, c.style);
    ExpectText(texts[2], "Tel. 555-0147", 15, 20, 12, c.style);
    ExpectText(texts[3], "www.example.com", 15, 35, 12, c.style);
    // Made at run time, they are controls like the layout's, addressed by name.
    EXPECT_GT(tk.CtrlId(panel, texts[0]->objectName()), 0);
  }
}

TEST_F(Header, ANumberOutsideTheTableDrawsNothing) {
  const std::pair<Program, int> cases[] = {{kScope, 11}, {kScope, -1}, {kCalib, 12}, {kCalib, 99}};
  for (const auto& [program, number] : cases) {
    SCOPED_TRACE(number);
    const int panel = Load(program);
    QWidget* w = tk.PanelWidget(panel);
    const int children = static_cast<int>(w->findChildren<QWidget*>().size());
    const std::uint32_t backdrop = tk.BackColor(panel, "Header");
    const QPoint picture = Logo(panel)->pos();
    ShowLogo(tk, panel, *program.table, number);
    EXPECT_EQ(static_cast<int>(w->findChildren<QWidget*>().size()), children);
    EXPECT_EQ(tk.BackColor(panel, "Header"), backdrop);
    EXPECT_EQ(Logo(panel)->pos(), picture);
    EXPECT_TRUE(Logo(panel)->pixmap().isNull());
  }
}

TEST_F(Header, EveryBrandingDrawsItsItemsTitleFirstWithItsPictureAndBackdrop) {
  for (const Program& program : {kScope, kCalib}) {
    const BrandingTable& table = *program.table;
    EXPECT_EQ(table.brandings.size(), program.table == &kScopeBrandings ? 11u : 12u);
    for (std::size_t n = 0; n < table.brandings.size(); ++n) {
      SCOPED_TRACE(testing::Message() << program.bundle << " branding " << n);
      const Branding& b = table.brandings[n];
      const int panel = Load(program);
      ShowLogo(tk, panel, table, static_cast<int>(n));
      EXPECT_EQ(tk.BackColor(panel, "Header"), b.backdrop);
      EXPECT_EQ(Logo(panel)->pos(), QPoint(b.pictureLeft, b.pictureTop));
      EXPECT_EQ(Logo(panel)->pixmap().isNull(), n == 0);  // branding 0 has no bitmap
      const std::vector<QLabel*> texts = Texts(panel);
      ASSERT_EQ(static_cast<int>(texts.size()), b.count);
      const TextItem& title = b.items[0];
      ExpectText(texts[0], table.title, title.left, title.top, title.size, b.style);
      tk.DiscardPanel(panel);
    }
  }
}

TEST_F(Header, AMissingBitmapLeavesThePictureEmptyAndDrawsTheRest) {
  const Branding missing[] = {{0x0080FF,
                               6,
                               168,
                               "no-such-logo.png",
                               kStyle4,
                               2,
                               {TextItem{Line::kTitle, 218, 30, 18}, {Line::kName, 15, 5, 12}}}};
  const BrandingTable table{"TITLE", missing};
  const int panel = Load(kCalib);
  ShowLogo(tk, panel, table, 0);
  EXPECT_EQ(tk.BackColor(panel, "Header"), 0x0080FFu);
  EXPECT_EQ(Logo(panel)->pos(), QPoint(168, 6));
  EXPECT_TRUE(Logo(panel)->pixmap().isNull());
  const std::vector<QLabel*> texts = Texts(panel);
  ASSERT_EQ(texts.size(), 2u);
  ExpectText(texts[0], "TITLE", 218, 30, 18, kStyle4);
  ExpectText(texts[1], "Demo Instruments", 15, 5, 12, kStyle4);
  EXPECT_EQ(tk.DisplayImageFile(panel, "Logo", "no-such-logo.png"), -1);
}

}  // namespace
}  // namespace tavix::branding
