// The demo's own settings of one of its controls, for the benchmarks and tests that want a
// control as the demo has it: read from the description the demo itself reads, so that they
// follow every edit of the demo's forms.
#pragma once

#include <QString>

#include <vector>

class TComponent;

namespace kvdemo {

// A component one of the demo's forms describes.
struct DemoComponent {
  QString form;  // "frmMeters"
  QString name;
  QString className;
};

// Every component of every form of the demo, form by form in the order of their descriptions.
std::vector<DemoComponent> DemoComponents();

// Reads what the demo's form Form ("frmMeters") sets on its component Name into Component,
// as the demo reads it (under the loading protocol), except what belongs to the panel: the
// component's name, its place (Left, Top) and its event bindings. What the panel passes down
// (ParentColor, ParentFont) comes from wherever Component is placed. Raises EReadError when
// the form has no such component, EFormError when it is of another class.
void ApplyDemoSettings(TComponent& component, const QString& form, const QString& name);

}  // namespace kvdemo
