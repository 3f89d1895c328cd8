// kv-artgen RESDIR PICTURESDIR SHEET.png: writes the committed versions of the library's
// assets into RESDIR, of the demo program's pictures into PICTURESDIR and the review sheet
// of all of them to SHEET.png.
// kv-artgen --build-time DIR: writes the versions drawn at build time into DIR.
#include "Artwork.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

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

// Writes each version of an asset that `wanted` picks into the folder `dirOf` names.
template <class Wanted, class DirOf>
bool WriteVersions(Wanted wanted, DirOf dirOf) {
  for (const kv::art::Asset& asset : kv::art::Assets())
    for (const int scale : kv::art::ScalesOf(asset))
      if (wanted(asset, scale) &&
          !WriteFile(dirOf(asset).filePath(kv::art::FileNameAt(asset, scale)), asset.make(scale)))
        return false;
  return true;
}

int WriteBuildTimeVersions(const QDir& dir) {
  if (!MakeFolder(dir)) return 1;
  const auto atBuildTime = [](const kv::art::Asset& a, int s) {
    return !kv::art::IsCommitted(a, s);
  };
  return WriteVersions(atBuildTime, [&](const kv::art::Asset&) { return dir; }) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--build-time") == 0)
    return WriteBuildTimeVersions(QDir(QString::fromLocal8Bit(argv[2])));
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: kv-artgen RESDIR PICTURESDIR SHEET.png\n"
                 "       kv-artgen --build-time DIR\n");
    return 2;
  }
  const QDir library(QString::fromLocal8Bit(argv[1]));
  const QDir demo(QString::fromLocal8Bit(argv[2]));
  const QString sheet = QString::fromLocal8Bit(argv[3]);
  if (!MakeFolder(library) || !MakeFolder(demo) || !MakeFolder(QFileInfo(sheet).dir())) return 1;
  const auto dirOf = [&](const kv::art::Asset& a) -> const QDir& {
    return a.folder == kv::art::Folder::Library ? library : demo;
  };
  if (!WriteVersions(&kv::art::IsCommitted, dirOf)) return 1;
  if (!kv::art::ContactSheet(kv::art::Assets()).save(sheet, "PNG")) {
    std::fprintf(stderr, "kv-artgen: cannot write %s\n", qPrintable(sheet));
    return 1;
  }
  std::printf("%s\n", qPrintable(sheet));
  return 0;
}
