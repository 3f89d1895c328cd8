// Designer's widget box: every entry's icon is its control, legible at icon size.
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

constexpr int kIconSize = 64;

QDesignerCustomWidgetCollectionInterface* Plugin() {
  const QDir folder(QStringLiteral(KV_DESIGNER_PLUGIN_DIR));
  const QStringList files = folder.entryList(QDir::Files);
  if (files.size() != 1) return nullptr;
  static QPluginLoader loader(folder.filePath(files.front()));
  return qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
}

}  // namespace

// Drawn (more than one colour) and in a shape an icon shows: what the icon covers is at least
// a quarter of the square on either side, however long the control's designed shape is. The
// icons are left side by side in the tests' output folder, to be looked at.
TEST(WidgetBox, EveryIconShowsItsControl) {
  QDesignerCustomWidgetCollectionInterface* plugin = Plugin();
  ASSERT_TRUE(plugin);
  const QList<QDesignerCustomWidgetInterface*> entries = plugin->customWidgets();
  ASSERT_FALSE(entries.isEmpty());
  QImage sheet(kIconSize * int(entries.size()), kIconSize, QImage::Format_ARGB32);
  sheet.fill(Qt::white);
  QPainter sheetPainter(&sheet);
  for (QDesignerCustomWidgetInterface* entry : entries) {
    SCOPED_TRACE(entry->name().toStdString());
    const QImage icon = entry->icon().pixmap(kIconSize).toImage().convertToFormat(
        QImage::Format_ARGB32);
    sheetPainter.drawImage(kIconSize * int(entries.indexOf(entry)), 0, icon);
    ASSERT_EQ(icon.size(), QSize(kIconSize, kIconSize));
    QRect covered;
    std::set<QRgb> colours;
    for (int y = 0; y < icon.height(); ++y)
      for (int x = 0; x < icon.width(); ++x)
        if (qAlpha(icon.pixel(x, y)) != 0) {
          covered |= QRect(x, y, 1, 1);
          colours.insert(icon.pixel(x, y));
        }
    EXPECT_GE(colours.size(), 2u) << "the icon is blank";
    EXPECT_GE(std::min(covered.width(), covered.height()), kIconSize / 4)
        << "the icon is a sliver: " << covered.width() << " x " << covered.height();
  }
  QDir().mkpath(QStringLiteral(KV_TEST_OUTPUT_DIR));
  sheet.save(QStringLiteral(KV_TEST_OUTPUT_DIR "/widget-box-icons.png"));
}
