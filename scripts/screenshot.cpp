// Writes a PNG of the whole X screen, or of the part of it given in device
// pixels (used by scripts/demo under Xvfb).
//   tavix-screenshot FILE.png [X Y WIDTH HEIGHT]
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 6) {
    std::fprintf(stderr, "usage: tavix-screenshot FILE.png [X Y WIDTH HEIGHT]\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  QScreen* screen = QGuiApplication::primaryScreen();
  QPixmap shot;
  if (screen != nullptr) {
    shot = screen->grabWindow(0);
    if (argc == 6) {
      shot =
          shot.copy(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    }
  }
  if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "tavix-screenshot: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
