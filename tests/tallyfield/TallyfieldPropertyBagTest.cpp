// Saving Tallyfield into a property bag and loading it again: only what differs from the defaults
// is written, in the fixed order and under the fixed names, and a round trip keeps every property.
#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMetaProperty>
#include <QPixmap>
#include <QTest>
#include <QToolButton>

#include <clocale>

#include "tallyfield/Tallyfield.h"
#include "tallyfield/TallyfieldPropertyBag.h"

namespace {

// The persisted properties in the order they are written.
const QStringList kPersisted = {
    "BackColor",     "ForeColor",      "Enabled",          "Font",         "BorderStyle",
    "Style",         "UpperLimit",     "LowerLimit",       "UseColours",   "WhatsThisHelpID",
    "ToolTipText",   "Text",           "SelText",          "SelStart",     "SelLength",
    "RightToLeft",   "PasswordChar",   "OLEDropMode",      "OLEDragMode",  "MousePointer",
    "MouseIcon",     "MaxLength",      "Locked",           "CausesValidation", "Appearance",
    "ValueLimited",  "InvalidColour",  "ValidColour",      "EmptyColour",  "UseButtons",
    "StretchButtons", "ButtonStep"};

// Every persisted property set away from its default.
void ChangeEverything(Tallyfield& ioField) {
  ioField.SetBackColor(QColor(1, 2, 3));
  ioField.SetForeColor(QColor(4, 5, 6));
  ioField.SetEnabled(false);
  QFont theFont = ioField.Font();
  theFont.setPointSize(theFont.pointSize() + 7);
  theFont.setBold(true);
  ioField.SetFont(theFont);
  ioField.SetBorderStyle(Tallyfield::tfNone);
  ioField.SetStyle(Tallyfield::Hexadecimal);
  ioField.SetUpperLimit(0x7FFF);
  ioField.SetLowerLimit(-3);
  ioField.SetUseColours(false);
  ioField.SetWhatsThisHelpID(42);
  ioField.SetToolTipText(QStringLiteral("hint"));
  ioField.SetText(QStringLiteral("1A2B"));
  ioField.SetRightToLeft(true);
  ioField.SetPasswordChar(QStringLiteral("*"));
  ioField.SetOLEDropMode(1);
  ioField.SetOLEDragMode(1);
  ioField.SetMousePointer(3);
  QPixmap theIcon(4, 4);
  theIcon.fill(Qt::red);
  ioField.SetMouseIcon(theIcon);
  ioField.SetMaxLength(12);
  ioField.SetLocked(true);
  ioField.SetCausesValidation(false);
  ioField.SetAppearance(Tallyfield::tfFlat);
  ioField.SetValueLimited(true);
  ioField.SetInvalidColour(QColor(10, 11, 12));
  ioField.SetValidColour(QColor(13, 14, 15));
  ioField.SetEmptyColour(QColor(16, 17, 18));
  ioField.SetUseButtons(false);
  ioField.SetStretchButtons(false);
  ioField.SetButtonStep(-16);
  // Last, since switching the echo mode drops a selection.
  ioField.SetSelStart(1);
  ioField.SetSelLength(2);
}

}  // namespace

class TallyfieldPropertyBagTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
  }

  // ---- The bag ----

  void bagWritesOnlyWhatDiffers() {
    TallyfieldPropertyBag theBag;
    theBag.WriteProperty(QStringLiteral("A"), 1, 1);
    QVERIFY(theBag.IsEmpty());
    theBag.WriteProperty(QStringLiteral("B"), 2, 0);
    theBag.WriteProperty(QStringLiteral("A"), 3, 1);
    QCOMPARE(theBag.Names(), QStringList({"B", "A"}));
    QCOMPARE(theBag.ReadProperty(QStringLiteral("A"), 1).toInt(), 3);
    QCOMPARE(theBag.ReadProperty(QStringLiteral("missing"), 9).toInt(), 9);
  }

  void bagRewriteKeepsPositionAndDefaultRemoves() {
    TallyfieldPropertyBag theBag;
    theBag.WriteProperty(QStringLiteral("A"), 1, 0);
    theBag.WriteProperty(QStringLiteral("B"), 2, 0);
    theBag.WriteProperty(QStringLiteral("A"), 5, 0);
    QCOMPARE(theBag.Names(), QStringList({"A", "B"}));
    QCOMPARE(theBag.ReadProperty(QStringLiteral("A"), 0).toInt(), 5);
    theBag.WriteProperty(QStringLiteral("A"), 0, 0);
    QCOMPARE(theBag.Names(), QStringList({"B"}));
    QVERIFY(!theBag.Contains(QStringLiteral("A")));
  }

  // ---- The control ----

  void defaultsWriteNothing() {
    Tallyfield theField;
    TallyfieldPropertyBag theBag;
    theField.WriteProperties(theBag);
    QVERIFY2(theBag.IsEmpty(), qPrintable(theBag.Names().join(QLatin1Char(','))));
  }

  void readingAnEmptyBagGivesANewControl() {
    Tallyfield theChanged;
    ChangeEverything(theChanged);
    theChanged.ReadProperties(TallyfieldPropertyBag());
    TallyfieldPropertyBag theBag;
    theChanged.WriteProperties(theBag);
    QVERIFY2(theBag.IsEmpty(), qPrintable(theBag.Names().join(QLatin1Char(','))));
  }

  void everythingChangedIsWrittenInOrder() {
    Tallyfield theField;
    ChangeEverything(theField);
    TallyfieldPropertyBag theBag;
    theField.WriteProperties(theBag);
    QCOMPARE(theBag.Names().join(QLatin1Char(',')), kPersisted.join(QLatin1Char(',')));
    QCOMPARE(theBag.ReadProperty(QStringLiteral("SelText"), QString()).toString(), QStringLiteral("A2"));
    QCOMPARE(theBag.ReadProperty(QStringLiteral("Style"), 0).toInt(), 1);
    QCOMPARE(theBag.ReadProperty(QStringLiteral("ButtonStep"), 1).toInt(), -16);
  }

  void singleChange_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("UpperLimit") << "UpperLimit" << QVariant(10);
    QTest::newRow("ValueLimited") << "ValueLimited" << QVariant(true);
    QTest::newRow("ValidColour") << "ValidColour" << QVariant(QColor(Qt::yellow));
    QTest::newRow("StretchButtons") << "StretchButtons" << QVariant(false);
    QTest::newRow("MaxLength") << "MaxLength" << QVariant(4);
    QTest::newRow("Locked") << "Locked" << QVariant(true);
    QTest::newRow("Text") << "Text" << QVariant(QStringLiteral("7"));
  }
  void singleChange() {
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    Tallyfield theField;
    QVERIFY(theField.setProperty(name.toLatin1().constData(), value));
    TallyfieldPropertyBag theBag;
    theField.WriteProperties(theBag);
    // The text moves the cursor to its end, which is saved with it.
    if (name == QLatin1String("Text"))
      QCOMPARE(theBag.Names(), QStringList({"Text", "SelStart"}));
    else
      QCOMPARE(theBag.Names(), QStringList({name}));
    QCOMPARE(theBag.ReadProperty(name, QVariant()), value);
  }

  void roundTripKeepsEveryProperty() {
    Tallyfield theSaved;
    ChangeEverything(theSaved);
    TallyfieldPropertyBag theBag;
    theSaved.WriteProperties(theBag);

    Tallyfield theLoaded;
    theLoaded.ReadProperties(theBag);
    TallyfieldPropertyBag theAgain;
    theLoaded.WriteProperties(theAgain);
    QCOMPARE(theAgain.Names(), theBag.Names());

    // Every stored property of the control itself reads the same.
    const QMetaObject* theMeta = &Tallyfield::staticMetaObject;
    for (int i = theMeta->propertyOffset(); i < theMeta->propertyCount(); ++i) {
      const QMetaProperty theProperty = theMeta->property(i);
      const QByteArray theName = theProperty.name();
      if (theName == "MouseIcon") {
        QCOMPARE(theLoaded.MouseIcon().toImage(), theSaved.MouseIcon().toImage());
        continue;
      }
      QVERIFY2(theLoaded.property(theName.constData()) == theSaved.property(theName.constData()),
               theName.constData());
    }
    QCOMPARE(theLoaded.SelText(), QStringLiteral("A2"));
    QCOMPARE(theLoaded.TextBox()->hasFrame(), false);
    QVERIFY(theLoaded.UpButton()->isHidden());
  }

  void loadedStateFollowsTheLoadedLimits() {
    Tallyfield theSaved;
    theSaved.SetUpperLimit(10);
    theSaved.SetValueLimited(true);
    theSaved.SetText(QStringLiteral("11"));
    TallyfieldPropertyBag theBag;
    theSaved.WriteProperties(theBag);
    Tallyfield theLoaded;
    theLoaded.ReadProperties(theBag);
    QCOMPARE(theLoaded.TextBox()->palette().color(QPalette::Base), QColor(255, 192, 192));
    QVERIFY(!theLoaded.UpButton()->isEnabled());
  }
};

QTEST_MAIN(TallyfieldPropertyBagTest)
#include "TallyfieldPropertyBagTest.moc"
