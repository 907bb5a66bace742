#include "tallyfield/designer/TallyfieldPlugin.h"

#include <QIcon>

#include "tallyfield/Tallyfield.h"

TallyfieldPlugin::TallyfieldPlugin(QObject* inParent) : QObject(inParent) {}

QString TallyfieldPlugin::name() const { return QStringLiteral("Tallyfield"); }
QString TallyfieldPlugin::group() const { return QStringLiteral("Input Widgets"); }
QString TallyfieldPlugin::toolTip() const { return QStringLiteral("tallyfield for Numeric Text Entry"); }
QString TallyfieldPlugin::whatsThis() const {
  return QStringLiteral("A text box for a whole number in decimal or hexadecimal, with up and down "
                        "buttons and colours that show whether the text is valid.");
}
QString TallyfieldPlugin::includeFile() const { return QStringLiteral("tallyfield/Tallyfield.h"); }
QIcon TallyfieldPlugin::icon() const { return QIcon(); }
bool TallyfieldPlugin::isContainer() const { return false; }
QWidget* TallyfieldPlugin::createWidget(QWidget* inParent) { return new Tallyfield(inParent); }
bool TallyfieldPlugin::isInitialized() const { return mInitialized; }
void TallyfieldPlugin::initialize(QDesignerFormEditorInterface*) { mInitialized = true; }

QString TallyfieldPlugin::domXml() const {
  return QStringLiteral(
      "<ui language=\"c++\">\n"
      " <widget class=\"Tallyfield\" name=\"tallyfield\">\n"
      "  <property name=\"geometry\">\n"
      "   <rect><x>0</x><y>0</y><width>120</width><height>24</height></rect>\n"
      "  </property>\n"
      " </widget>\n"
      "</ui>\n");
}
