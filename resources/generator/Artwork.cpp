#include "Artwork.h"

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

}  // namespace kv::art
