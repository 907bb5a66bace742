// The Qt Designer plugin as Designer loads it: from the build's plugins/designer folder through
// QPluginLoader, creating the control.
#include <QApplication>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>
#include <QTest>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <memory>

#include "tallyfield/Tallyfield.h"

class TallyfieldPluginTest : public QObject {
  Q_OBJECT

 private slots:
  void loadsAndCreatesTheControl() {
    const QString thePath = QStringLiteral(QUORIX_BINARY_DIR "/plugins/designer/libtallyfieldplugin.so");
    QVERIFY2(QFileInfo::exists(thePath), qPrintable(thePath));
    QPluginLoader theLoader(thePath);
    QCOMPARE(theLoader.metaData().value(QStringLiteral("IID")).toString(),
             QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetInterface"));
    QObject* theInstance = theLoader.instance();
    QVERIFY2(theInstance, qPrintable(theLoader.errorString()));
    auto* theInterface = qobject_cast<QDesignerCustomWidgetInterface*>(theInstance);
    QVERIFY(theInterface);
    QCOMPARE(theInterface->name(), QStringLiteral("Tallyfield"));
    QVERIFY(!theInterface->isContainer());
    QVERIFY(theInterface->domXml().contains(QStringLiteral("class=\"Tallyfield\"")));
    QCOMPARE(theInterface->includeFile(), QStringLiteral("tallyfield/Tallyfield.h"));
    QVERIFY(!theInterface->isInitialized());
    theInterface->initialize(nullptr);
    QVERIFY(theInterface->isInitialized());

    QWidget theForm;
    QWidget* theWidget = theInterface->createWidget(&theForm);
    QVERIFY(theWidget);
    QCOMPARE(theWidget->parentWidget(), &theForm);
    auto* theField = qobject_cast<Tallyfield*>(theWidget);
    QVERIFY(theField);
    // The property editor shows the control's own properties.
    QVERIFY(theWidget->metaObject()->indexOfProperty("ButtonStep") >= 0);
    QVERIFY(theWidget->setProperty("Style", int{Tallyfield::Hexadecimal}));
    theField->SetValue(255);
    QCOMPARE(theField->Text(), QStringLiteral("FF"));
  }
};

QTEST_MAIN(TallyfieldPluginTest)
#include "TallyfieldPluginTest.moc"
