// Build tool: renders an SVG to a PNG of the SVG's own size times SCALE
// (default 1), optionally with its white drawn in another colour.
//   tavix-render-logo IN.svg OUT.png [RRGGBB] [--scale N]
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QSvgRenderer>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  QStringList positional;
  int scale = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) {
      scale = QByteArray(argv[++i]).toInt();
    } else {
      positional << QString::fromLocal8Bit(argv[i]);
    }
  }
  if (positional.size() < 2 || positional.size() > 3 || scale < 1 || scale > 8) {
    std::fprintf(stderr, "usage: tavix-render-logo IN.svg OUT.png [RRGGBB] [--scale N]\n");
    return 2;
  }
  QFile in(positional[0]);
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "tavix-render-logo: cannot read %s\n", qPrintable(positional[0]));
    return 1;
  }
  QByteArray svg = in.readAll();
  if (positional.size() == 3) svg.replace("#ffffff", "#" + positional[2].toLatin1());
  QSvgRenderer renderer(svg);
  if (!renderer.isValid()) {
    std::fprintf(stderr, "tavix-render-logo: %s is not a valid SVG\n", qPrintable(positional[0]));
    return 1;
  }
  // Drawn from the vectors at the target size: every device pixel is its own.
  QImage image(renderer.defaultSize() * scale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  if (!image.save(positional[1], "PNG")) {
    std::fprintf(stderr, "tavix-render-logo: cannot write %s\n", qPrintable(positional[1]));
    return 1;
  }
  return 0;
}
