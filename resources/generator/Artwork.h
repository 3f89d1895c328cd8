// The program's artwork, drawn by code so that every asset can be made again exactly.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <span>
#include <vector>

namespace kv::art {

// Where an asset is committed: the library's named resources (resources/res) or the
// demo program's own pictures (app/pictures).
enum class Folder { Library, Demo };

// Which versions of an asset there are and where they are kept.
enum class Versions {
  AllScales,  // 1x, 2x and 3x, committed
  OneX,       // 1x only: its pixels are read as data, each the cell of a grid
  // 1x committed; 2x and 3x, several megabytes each, drawn when the program is built
  LargerAtBuildTime,
};

// One asset: its file name in its folder and the function that makes its bytes at a scale
// (1, 2 or 3 image pixels per artwork pixel).
struct Asset {
  const char* fileName;
  std::function<QByteArray(int scale)> make;
  Folder folder = Folder::Library;
  Versions versions = Versions::AllScales;
};

// The scales an asset comes at: 1, 2 and 3 (NAME@2x.bmp ...), or 1 alone.
std::span<const int> ScalesOf(const Asset& asset);
// Whether the asset's version at the scale is committed (else drawn at build time).
bool IsCommitted(const Asset& asset, int scale);
// The asset's file name at a scale.
QString FileNameAt(const Asset& asset, int scale);

// Every asset, in the order kv-artgen writes them.
std::span<const Asset> Assets();

// The 32 x 32 pointing hand: black outline, white fill, transparent around it, the hot
// spot on the tip of the index finger.
QByteArray HandPointCursor(int scale);

// The families of assets, each drawn in its own file.
std::vector<Asset> MarkerArtwork();   // jog meter pin, thermometer triangles
std::vector<Asset> CounterArtwork();  // digit strips
std::vector<Asset> MatrixArtwork();   // dot-matrix cells
std::vector<Asset> LightsArtwork();   // traffic-light lamps
std::vector<Asset> SymbolArtwork();   // image LED symbols
std::vector<Asset> WheelArtwork();    // knobs and handles
std::vector<Asset> ThumbArtwork();    // switch, track bar and slider thumbs
std::vector<Asset> ArrowArtwork();    // spin-button and block arrows
std::vector<Asset> MediaArtwork();    // media button glyphs
std::vector<Asset> WindowArtwork();   // the demo's window face
std::vector<Asset> BannerArtwork();   // the demo's banner picture

// Every asset enlarged with nearest-neighbour scaling and labelled with its name, the
// window face reduced, on one sheet for review; `scale` picks the version shown.
QImage ContactSheet(std::span<const Asset> assets, int scale = 1);

}  // namespace kv::art
