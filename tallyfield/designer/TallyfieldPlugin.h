// Puts Tallyfield into Qt Designer's widget box, so that forms can hold it and its properties
// show in the property editor.
#pragma once

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class TallyfieldPlugin : public QObject, public QDesignerCustomWidgetInterface {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
  Q_INTERFACES(QDesignerCustomWidgetInterface)

 public:
  explicit TallyfieldPlugin(QObject* inParent = nullptr);

  QString name() const override;
  QString group() const override;
  QString toolTip() const override;
  QString whatsThis() const override;
  QString includeFile() const override;
  QIcon icon() const override;
  bool isContainer() const override;
  QWidget* createWidget(QWidget* inParent) override;
  bool isInitialized() const override;
  void initialize(QDesignerFormEditorInterface* inCore) override;
  QString domXml() const override;

 private:
  bool mInitialized = false;
};
