// Forms loaded at run time through the Designer plugin, and what they draw.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>

class QIODevice;

namespace kvtest {

// The form a .ui description gives, or none when it cannot be loaded. A setter's exception
// goes on, and the loader's own leftovers are no leak of ours.
std::unique_ptr<QWidget> Load(QIODevice* ui);
// The same for a file of the tests' folder, or for a description's text.
std::unique_ptr<QWidget> Loaded(const QString& name);
std::unique_ptr<QWidget> LoadedText(const QString& ui);

// What the form draws, once Qt has applied the controls' visibility after parenting.
QImage FormPicture(QWidget* form);

}  // namespace kvtest
