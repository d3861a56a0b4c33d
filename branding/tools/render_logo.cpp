// Build tool: renders an SVG to a PNG of the SVG's own size, optionally with
// its white drawn in another colour.
//   tavix-render-logo IN.svg OUT.png [RRGGBB]
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: tavix-render-logo IN.svg OUT.png [RRGGBB]\n");
    return 2;
  }
  QFile in(QString::fromLocal8Bit(argv[1]));
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "tavix-render-logo: cannot read %s\n", argv[1]);
    return 1;
  }
  QByteArray svg = in.readAll();
  if (argc == 4) svg.replace("#ffffff", QByteArray("#") + argv[3]);
  QSvgRenderer renderer(svg);
  if (!renderer.isValid()) {
    std::fprintf(stderr, "tavix-render-logo: %s is not a valid SVG\n", argv[1]);
    return 1;
  }
  QImage image(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "tavix-render-logo: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
