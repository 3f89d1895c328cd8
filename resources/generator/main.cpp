// kv-artgen RESDIR PICTURESDIR SHEET.png: writes the library's assets into RESDIR, the
// demo program's pictures into PICTURESDIR and the review sheet of all of them to SHEET.png.
#include "Artwork.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

bool MakeFolder(const QDir& dir) {
  if (dir.mkpath(QStringLiteral("."))) return true;
  std::fprintf(stderr, "kv-artgen: cannot create %s\n", qPrintable(dir.path()));
  return false;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "kv-artgen: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s (%lld bytes)\n", qPrintable(path), static_cast<long long>(bytes.size()));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: kv-artgen RESDIR PICTURESDIR SHEET.png\n");
    return 2;
  }
  const QDir library(QString::fromLocal8Bit(argv[1]));
  const QDir demo(QString::fromLocal8Bit(argv[2]));
  const QString sheet = QString::fromLocal8Bit(argv[3]);
  if (!MakeFolder(library) || !MakeFolder(demo) || !MakeFolder(QFileInfo(sheet).dir())) return 1;
  for (const kv::art::Asset& asset : kv::art::Assets()) {
    const QDir& dir = asset.folder == kv::art::Folder::Library ? library : demo;
    for (const int scale : kv::art::ScalesOf(asset))
      if (!WriteFile(dir.filePath(kv::art::FileNameAt(asset, scale)), asset.make(scale))) return 1;
  }
  if (!kv::art::ContactSheet(kv::art::Assets()).save(sheet, "PNG")) {
    std::fprintf(stderr, "kv-artgen: cannot write %s\n", qPrintable(sheet));
    return 1;
  }
  std::printf("%s\n", qPrintable(sheet));
  return 0;
}
