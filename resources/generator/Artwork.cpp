#include "Artwork.h"

#include "ScaledResources.h"

#include <QFileInfo>

#include <iterator>

namespace kv::art {

std::span<const Asset> Assets() {
  static const std::vector<Asset> kAssets = [] {
    std::vector<Asset> all = {{"KVCURSORHANDPOINT.cur", &HandPointCursor}};
    for (const auto family : {&MarkerArtwork, &CounterArtwork, &MatrixArtwork, &LightsArtwork,
                              &SymbolArtwork, &WheelArtwork, &ThumbArtwork, &ArrowArtwork,
                              &MediaArtwork, &WindowArtwork, &BannerArtwork}) {
      std::vector<Asset> assets = family();
      all.insert(all.end(), std::make_move_iterator(assets.begin()),
                 std::make_move_iterator(assets.end()));
    }
    return all;
  }();
  return kAssets;
}

std::span<const int> ScalesOf(const Asset& asset) {
  static constexpr int kAll[] = {1, 2, 3};
  return asset.versions == Versions::OneX ? std::span<const int>(kAll, 1)
                                          : std::span<const int>(kAll);
}

bool IsCommitted(const Asset& asset, int scale) {
  return scale == 1 || asset.versions != Versions::LargerAtBuildTime;
}

QString FileNameAt(const Asset& asset, int scale) {
  const QFileInfo name(QLatin1String(asset.fileName));
  return ScaledResourceFileName(name.completeBaseName(), name.suffix().toLatin1().constData(),
                                scale);
}

}  // namespace kv::art
