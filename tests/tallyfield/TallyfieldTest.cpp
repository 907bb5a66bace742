// Tallyfield through Qt Test on the offscreen platform, with the C locale: validation in both
// styles, the colours after every keystroke, the buttons' enabling and stepping (with the overflow
// at the 32-bit edges), the focus rule, the layout, the forwarded events and screenshots of the
// demonstration form.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <clocale>
#include <limits>

#include "tallyfield/Tallyfield.h"
#include "tallyfield/demo/TallyfieldDemo.h"

namespace {

const QColor kInvalid(255, 192, 192);
const QColor kValid(192, 255, 192);
const QColor kEmpty(192, 192, 255);

QColor BoxColour(const Tallyfield& inField) {
  return inField.TextBox()->palette().color(QPalette::Base);
}

// 'V' valid, 'I' invalid, 'E' empty: the colour the text box shows.
char ColourLetter(const Tallyfield& inField) {
  const QColor theColour = BoxColour(inField);
  if (theColour == kValid) return 'V';
  if (theColour == kInvalid) return 'I';
  if (theColour == kEmpty) return 'E';
  return '?';
}

constexpr int kMin = std::numeric_limits<int>::min();
constexpr int kMax = std::numeric_limits<int>::max();

}  // namespace

class TallyfieldTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
  }

  // ---- Members reachable by name ----

  void ownPropertiesByName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("Style") << "Style" << QVariant(int{Tallyfield::Hexadecimal});
    QTest::newRow("UpperLimit") << "UpperLimit" << QVariant(77);
    QTest::newRow("LowerLimit") << "LowerLimit" << QVariant(-77);
    QTest::newRow("ValueLimited") << "ValueLimited" << QVariant(true);
    QTest::newRow("UseColours") << "UseColours" << QVariant(false);
    QTest::newRow("InvalidColour") << "InvalidColour" << QVariant(QColor(1, 2, 3));
    QTest::newRow("ValidColour") << "ValidColour" << QVariant(QColor(4, 5, 6));
    QTest::newRow("EmptyColour") << "EmptyColour" << QVariant(QColor(7, 8, 9));
    QTest::newRow("UseButtons") << "UseButtons" << QVariant(false);
    QTest::newRow("StretchButtons") << "StretchButtons" << QVariant(false);
    QTest::newRow("ButtonStep") << "ButtonStep" << QVariant(5);
    QTest::newRow("Value") << "Value" << QVariant(-12);
    QTest::newRow("Text") << "Text" << QVariant(QStringLiteral("abc"));
    QTest::newRow("MaxLength") << "MaxLength" << QVariant(8);
    QTest::newRow("Locked") << "Locked" << QVariant(true);
    QTest::newRow("ToolTipText") << "ToolTipText" << QVariant(QStringLiteral("tip"));
    QTest::newRow("Enabled") << "Enabled" << QVariant(false);
  }
  void ownPropertiesByName() {
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    Tallyfield theField;
    const QByteArray theName = name.toLatin1();
    QVERIFY2(theField.metaObject()->indexOfProperty(theName.constData()) >= 0, theName.constData());
    QVERIFY(theField.setProperty(theName.constData(), value));
    QVariant theRead = theField.property(theName.constData());
    if (name == QLatin1String("Style")) theRead = theRead.toInt();
    QCOMPARE(theRead, value);
  }

  void invokableByName() {
    Tallyfield theField;
    QVERIFY(theField.metaObject()->indexOfMethod("Validate()") >= 0);
    QVERIFY(theField.metaObject()->indexOfMethod("About()") >= 0);
    theField.SetText(QStringLiteral("12"));
    bool theResult = false;
    QVERIFY(QMetaObject::invokeMethod(&theField, "Validate", Q_RETURN_ARG(bool, theResult)));
    QVERIFY(theResult);
  }

  void constituentsByName() {
    Tallyfield theField;
    QVERIFY(theField.findChild<QLineEdit*>(QStringLiteral("txtBox")) == theField.TextBox());
    QVERIFY(theField.findChild<QToolButton*>(QStringLiteral("cmdUp")) == theField.UpButton());
    QVERIFY(theField.findChild<QToolButton*>(QStringLiteral("cmdDown")) == theField.DownButton());
    QCOMPARE(theField.UpButton()->arrowType(), Qt::UpArrow);
    QCOMPARE(theField.DownButton()->arrowType(), Qt::DownArrow);
  }

  // ---- Validation ----

  void validate_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    const int L = Tallyfield::LongInteger;
    const int H = Tallyfield::Hexadecimal;
    QTest::newRow("12") << L << "12" << true << 12;
    QTest::newRow("12a") << L << "12a" << false << 0;
    QTest::newRow("empty") << L << "" << false << 0;
    QTest::newRow("only spaces") << L << "   " << false << 0;
    QTest::newRow("spaces around") << L << " 42 " << true << 42;
    QTest::newRow("plus sign") << L << "+7" << true << 7;
    QTest::newRow("minus sign") << L << "-7" << true << -7;
    QTest::newRow("sign alone") << L << "-" << false << 0;
    QTest::newRow("two signs") << L << "--1" << false << 0;
    QTest::newRow("inner space") << L << "1 2" << false << 0;
    QTest::newRow("fraction") << L << "1.5" << false << 0;
    QTest::newRow("exponent") << L << "1e3" << false << 0;
    QTest::newRow("hex prefix") << L << "&H10" << false << 0;
    QTest::newRow("thousands comma") << L << "1,000" << false << 0;
    QTest::newRow("max") << L << "2147483647" << true << kMax;
    QTest::newRow("min") << L << "-2147483648" << true << kMin;
    QTest::newRow("max+1") << L << "2147483648" << false << 0;
    QTest::newRow("min-1") << L << "-2147483649" << false << 0;
    QTest::newRow("beyond 64 bits") << L << "99999999999999999999999" << false << 0;
    QTest::newRow("leading zeros") << L << "0000000000012" << true << 12;
    QTest::newRow("arabic digits") << L << QString::fromUtf8("\u0661\u0662") << false << 0;
    QTest::newRow("hex FF") << H << "FF" << true << 255;
    QTest::newRow("hex ff") << H << "ff" << true << 255;
    QTest::newRow("hex G1") << H << "G1" << false << 0;
    QTest::newRow("hex FFFF") << H << "FFFF" << true << 65535;
    QTest::newRow("hex FFFFFFFF") << H << "FFFFFFFF" << true << -1;
    QTest::newRow("hex 80000000") << H << "80000000" << true << kMin;
    QTest::newRow("hex 7FFFFFFF") << H << "7FFFFFFF" << true << kMax;
    QTest::newRow("hex nine digits") << H << "100000000" << false << 0;
    QTest::newRow("hex leading zeros") << H << "000000001" << true << 1;
    QTest::newRow("hex spaces around") << H << " A " << true << 10;
    QTest::newRow("hex with prefix") << H << "&HFF" << false << 0;
    QTest::newRow("hex with sign") << H << "-1" << false << 0;
    QTest::newRow("hex empty") << H << "" << false << 0;
  }
  void validate() {
    QFETCH(int, style);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    Tallyfield theField;
    theField.SetStyle(static_cast<Tallyfield::TFStyle>(style));
    theField.SetText(text);
    QCOMPARE(theField.Validate(), valid);
    QCOMPARE(theField.Value(), value);
  }

  void validateWithLimits_data() {
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("upper edge") << 0 << 10 << "10" << true;
    QTest::newRow("above") << 0 << 10 << "11" << false;
    QTest::newRow("lower edge") << 0 << 10 << "0" << true;
    QTest::newRow("below") << 0 << 10 << "-1" << false;
    QTest::newRow("whole range") << kMin << kMax << "-2147483648" << true;
    QTest::newRow("lower above upper") << 10 << 0 << "5" << false;
  }
  void validateWithLimits() {
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    Tallyfield theField;
    theField.SetLowerLimit(lower);
    theField.SetUpperLimit(upper);
    theField.SetText(text);
    QVERIFY(theField.Validate());  // not limited yet: any number is valid
    theField.SetValueLimited(true);
    QCOMPARE(theField.Validate(), valid);
    if (!valid) QCOMPARE(theField.Value(), 0);
  }

  void valueWrites_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("decimal") << int{Tallyfield::LongInteger} << -5 << "-5";
    QTest::newRow("decimal min") << int{Tallyfield::LongInteger} << kMin << "-2147483648";
    QTest::newRow("hex 255") << int{Tallyfield::Hexadecimal} << 255 << "FF";
    QTest::newRow("hex 0") << int{Tallyfield::Hexadecimal} << 0 << "0";
    QTest::newRow("hex -1") << int{Tallyfield::Hexadecimal} << -1 << "FFFFFFFF";
    QTest::newRow("hex min") << int{Tallyfield::Hexadecimal} << kMin << "80000000";
    QTest::newRow("hex 65535") << int{Tallyfield::Hexadecimal} << 65535 << "FFFF";
  }
  void valueWrites() {
    QFETCH(int, style);
    QFETCH(int, value);
    QFETCH(QString, text);
    Tallyfield theField;
    theField.SetStyle(static_cast<Tallyfield::TFStyle>(style));
    theField.SetValue(value);
    QCOMPARE(theField.Text(), text);
    QCOMPARE(theField.Value(), value);  // reads back what it wrote
  }

  void styleSwitch_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const int L = Tallyfield::LongInteger;
    const int H = Tallyfield::Hexadecimal;
    QTest::newRow("255 to hex") << L << "255" << "FF";
    QTest::newRow("-1 to hex") << L << "-1" << "FFFFFFFF";
    QTest::newRow("spaced to hex") << L << " 16 " << "10";
    QTest::newRow("invalid untouched") << L << "12a" << "12a";
    QTest::newRow("empty untouched") << L << "" << "";
    QTest::newRow("FF to decimal") << H << "FF" << "255";
    QTest::newRow("FFFFFFFF to decimal") << H << "FFFFFFFF" << "-1";
    QTest::newRow("G1 untouched") << H << "G1" << "G1";
  }
  void styleSwitch() {
    QFETCH(int, from);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    Tallyfield theField;
    theField.SetStyle(static_cast<Tallyfield::TFStyle>(from));
    theField.SetText(text);
    theField.SetStyle(from == Tallyfield::LongInteger ? Tallyfield::Hexadecimal : Tallyfield::LongInteger);
    QCOMPARE(theField.Text(), expected);
  }

  // ---- Colours ----

  void newControlShowsInvalidColour() {
    Tallyfield theField;
    QCOMPARE(BoxColour(theField), kInvalid);
    QCOMPARE(theField.BackColor(), QApplication::palette(theField.TextBox()).color(QPalette::Base));
  }

  void coloursAfterEachKeystroke_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("colours");
    const int L = Tallyfield::LongInteger;
    const int H = Tallyfield::Hexadecimal;
    QTest::newRow("12") << L << "12" << "VV";
    QTest::newRow("12a") << L << "12a" << "VVI";
    QTest::newRow("-5") << L << "-5" << "IV";
    QTest::newRow("1.5") << L << "1.5" << "VII";
    QTest::newRow("1e3") << L << "1e3" << "VII";
    QTest::newRow("hex FF") << H << "FF" << "VV";
    QTest::newRow("hex G1") << H << "G1" << "II";
    QTest::newRow("hex 9 digits") << H << "123456789" << "VVVVVVVVI";
  }
  void coloursAfterEachKeystroke() {
    QFETCH(int, style);
    QFETCH(QString, keys);
    QFETCH(QString, colours);
    Tallyfield theField;
    theField.SetStyle(static_cast<Tallyfield::TFStyle>(style));
    QString theSeen;
    for (const QChar theKey : keys) {
      QTest::keyClicks(theField.TextBox(), QString(theKey));
      theSeen += QLatin1Char(ColourLetter(theField));
    }
    QCOMPARE(theSeen, colours);
  }

  void backspaceToEmptyShowsEmptyColour() {
    Tallyfield theField;
    QTest::keyClicks(theField.TextBox(), QStringLiteral("7"));
    QCOMPARE(BoxColour(theField), kValid);
    QTest::keyClick(theField.TextBox(), Qt::Key_Backspace);
    QCOMPARE(theField.Text(), QString());
    QCOMPARE(BoxColour(theField), kEmpty);
  }

  void limitColoursOutOfRangeRed() {
    Tallyfield theField;
    theField.SetUpperLimit(10);
    theField.SetValueLimited(true);
    QTest::keyClicks(theField.TextBox(), QStringLiteral("1"));
    QCOMPARE(BoxColour(theField), kValid);
    QTest::keyClicks(theField.TextBox(), QStringLiteral("1"));  // 11
    QCOMPARE(BoxColour(theField), kInvalid);
  }

  void ownColoursAreUsed() {
    Tallyfield theField;
    theField.SetValidColour(QColor(1, 2, 3));
    theField.SetText(QStringLiteral("5"));
    QCOMPARE(BoxColour(theField), QColor(1, 2, 3));
  }

  void useColoursOffShowsBackColourAndOnRecomputes() {
    Tallyfield theField;
    theField.SetText(QStringLiteral("5"));
    theField.SetBackColor(QColor(10, 20, 30));
    theField.SetUseColours(false);
    QCOMPARE(BoxColour(theField), QColor(10, 20, 30));
    theField.SetText(QStringLiteral("x"));
    QCOMPARE(BoxColour(theField), QColor(10, 20, 30));
    QSignalSpy theChanges(&theField, &Tallyfield::Change);
    theField.SetUseColours(true);
    QCOMPARE(BoxColour(theField), kInvalid);
    QCOMPARE(theChanges.count(), 1);
  }

  void changeOncePerKeystroke() {
    Tallyfield theField;
    QSignalSpy theChanges(&theField, &Tallyfield::Change);
    QTest::keyClicks(theField.TextBox(), QStringLiteral("123"));
    QCOMPARE(theChanges.count(), 3);
  }

  // ---- Buttons ----

  void buttonEnabling_data() {
    QTest::addColumn<bool>("limited");
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("down");
    QTest::newRow("at upper limit") << true << 0 << 10 << 1 << "10" << false << true;
    QTest::newRow("at lower limit") << true << 0 << 10 << 1 << "0" << true << false;
    QTest::newRow("inside") << true << 0 << 10 << 1 << "5" << true << true;
    QTest::newRow("above limit") << true << 0 << 10 << 1 << "11" << false << false;
    QTest::newRow("empty counts as 0") << true << 0 << 10 << 1 << "" << true << false;
    QTest::newRow("empty inside") << true << -5 << 5 << 1 << "" << true << true;
    QTest::newRow("step does not fit up") << true << 0 << 10 << 5 << "6" << false << true;
    QTest::newRow("step fits exactly") << true << 0 << 10 << 5 << "5" << true << true;
    QTest::newRow("32-bit top") << true << kMin << kMax << 1 << "2147483647" << false << true;
    QTest::newRow("32-bit bottom") << true << kMin << kMax << 1 << "-2147483648" << true << false;
    QTest::newRow("32-bit bottom, big step") << true << kMin << kMax << 32767 << "-2147483000" << true << false;
    // A negative step takes the limit comparisons past 32 bits at either end of the range.
    QTest::newRow("negative step, whole range") << true << kMin << kMax << -1 << "5" << true << true;
    QTest::newRow("unlimited invalid") << false << 0 << 0 << 1 << "abc" << false << false;
    QTest::newRow("unlimited empty") << false << 0 << 0 << 1 << "" << true << true;
    QTest::newRow("unlimited far out") << false << 0 << 0 << 1 << "500" << true << true;
  }
  void buttonEnabling() {
    QFETCH(bool, limited);
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(int, step);
    QFETCH(QString, text);
    QFETCH(bool, up);
    QFETCH(bool, down);
    Tallyfield theField;
    theField.SetLowerLimit(lower);
    theField.SetUpperLimit(upper);
    theField.SetValueLimited(limited);
    theField.SetButtonStep(step);
    // The state follows a change of the text; an empty text is reached through a typed character.
    QTest::keyClicks(theField.TextBox(), QStringLiteral("x"));
    theField.SetText(text);
    QCOMPARE(theField.UpButton()->isEnabled(), up);
    QCOMPARE(theField.DownButton()->isEnabled(), down);
  }

  void stepping_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("upwards");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("overflow");
    const int L = Tallyfield::LongInteger;
    const int H = Tallyfield::Hexadecimal;
    QTest::newRow("empty up") << L << 1 << "" << true << "1" << false;
    QTest::newRow("empty down") << L << 1 << "" << false << "-1" << false;
    QTest::newRow("empty up step 5") << L << 5 << "" << true << "5" << false;
    QTest::newRow("9 up") << L << 1 << "9" << true << "10" << false;
    QTest::newRow("spaced down") << L << 1 << " 3 " << false << "2" << false;
    QTest::newRow("invalid left alone") << L << 1 << "abc" << true << "abc" << false;
    QTest::newRow("hex FF up") << H << 1 << "FF" << true << "100" << false;
    QTest::newRow("hex empty down") << H << 1 << "" << false << "FFFFFFFF" << false;
    QTest::newRow("hex -1 up") << H << 1 << "FFFFFFFF" << true << "0" << false;
    QTest::newRow("max up") << L << 1 << "2147483647" << true << "2147483647" << true;
    QTest::newRow("min down") << L << 1 << "-2147483648" << false << "-2147483648" << true;
    QTest::newRow("near max big step") << L << 32767 << "2147450881" << true << "2147450881" << true;
    QTest::newRow("exactly to max") << L << 32767 << "2147450880" << true << "2147483647" << false;
    QTest::newRow("negative step at min") << L << -1 << "-2147483648" << true << "-2147483648" << true;
    QTest::newRow("hex 7FFFFFFF up") << H << 1 << "7FFFFFFF" << true << "7FFFFFFF" << true;
    QTest::newRow("hex 80000000 down") << H << 1 << "80000000" << false << "80000000" << true;
  }
  void stepping() {
    QFETCH(int, style);
    QFETCH(int, step);
    QFETCH(QString, text);
    QFETCH(bool, upwards);
    QFETCH(QString, expected);
    QFETCH(bool, overflow);
    Tallyfield theField;
    theField.SetStyle(static_cast<Tallyfield::TFStyle>(style));
    theField.SetButtonStep(step);
    theField.SetText(text);
    // Unlimited: the buttons are enabled for any valid or empty text, also at the edges.
    theField.TextBox()->setText(text + QStringLiteral(" "));
    theField.TextBox()->setText(text);
    QSignalSpy theErrors(&theField, &Tallyfield::Error);
    QSignalSpy theUps(&theField, &Tallyfield::UpButtonClicked);
    QSignalSpy theDowns(&theField, &Tallyfield::DownButtonClicked);
    QToolButton* theButton = upwards ? theField.UpButton() : theField.DownButton();
    if (text != QLatin1String("abc")) QVERIFY(theButton->isEnabled());
    theButton->click();
    if (text == QLatin1String("abc")) {
      // Disabled for an invalid text; the click itself also leaves the text alone.
      QVERIFY(!theButton->isEnabled());
      theButton->setEnabled(true);
      theButton->click();
    }
    QCOMPARE(theField.Text(), expected);
    QCOMPARE(theErrors.count(), overflow ? 1 : 0);
    if (overflow) {
      QCOMPARE(theErrors.at(0).at(0).toInt(), Tallyfield::kOverflowError);
      QCOMPARE(theErrors.at(0).at(1).toString(), QStringLiteral("Overflow"));
    }
    QCOMPARE((upwards ? theUps : theDowns).count(), overflow ? 0 : 1);
    QCOMPARE((upwards ? theDowns : theUps).count(), 0);
  }

  void buttonStepOutside16BitsRefused_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("kept");
    QTest::newRow("16-bit top") << 32767 << 32767;
    QTest::newRow("16-bit bottom") << -32768 << -32768;
    QTest::newRow("one above") << 32768 << 1;
    QTest::newRow("one below") << -32769 << 1;
  }
  void buttonStepOutside16BitsRefused() {
    QFETCH(int, step);
    QFETCH(int, kept);
    Tallyfield theField;
    QSignalSpy theErrors(&theField, &Tallyfield::Error);
    QVERIFY(theField.setProperty("ButtonStep", step));
    QCOMPARE(theField.ButtonStep(), kept);
    QCOMPARE(theErrors.count(), step == kept ? 0 : 1);
  }

  void repeatedOverflowKeepsWorking() {
    Tallyfield theField;
    theField.SetValue(kMax - 1);
    QSignalSpy theErrors(&theField, &Tallyfield::Error);
    for (int i = 0; i < 3; ++i) theField.UpButton()->click();
    QCOMPARE(theField.Value(), kMax);
    QCOMPARE(theErrors.count(), 2);
    theField.DownButton()->click();
    QCOMPARE(theField.Value(), kMax - 1);
  }

  // ---- Focus ----

  void tabbingOntoButtonReturnsFocus_data() {
    QTest::addColumn<bool>("byTabKey");
    QTest::newRow("Tab key") << true;
    QTest::newRow("focus by tab reason") << false;
  }
  void tabbingOntoButtonReturnsFocus() {
    QFETCH(bool, byTabKey);
    QWidget theWindow;
    auto* theLayout = new QVBoxLayout(&theWindow);
    auto* theField = new Tallyfield(&theWindow);
    theLayout->addWidget(theField);
    theWindow.show();
    QApplication::setActiveWindow(&theWindow);
    QVERIFY(QTest::qWaitForWindowActive(&theWindow));
    theField->TextBox()->setFocus();
    QCOMPARE(QApplication::focusWidget(), theField->TextBox());
    if (byTabKey) {
      QTest::keyClick(theField->TextBox(), Qt::Key_Tab);
    } else {
      theField->DownButton()->setFocus(Qt::TabFocusReason);
    }
    QCOMPARE(QApplication::focusWidget(), theField->TextBox());
  }

  void mouseOnButtonStepsAndReturnsFocus() {
    QWidget theWindow;
    auto* theLayout = new QVBoxLayout(&theWindow);
    auto* theField = new Tallyfield(&theWindow);
    theLayout->addWidget(theField);
    theWindow.show();
    QApplication::setActiveWindow(&theWindow);
    QVERIFY(QTest::qWaitForWindowActive(&theWindow));
    theField->TextBox()->setFocus();
    // Through the window, as a real click arrives, so that Qt gives the button the focus first.
    // A press keeps the focus on the button until the click is done.
    const QPoint theCentre =
        theField->UpButton()->mapTo(&theWindow, theField->UpButton()->rect().center());
    QTest::mousePress(theWindow.windowHandle(), Qt::LeftButton, {}, theCentre);
    QCOMPARE(QApplication::focusWidget(), theField->UpButton());
    QTest::mouseRelease(theWindow.windowHandle(), Qt::LeftButton, {}, theCentre);
    QCOMPARE(theField->Text(), QStringLiteral("1"));
    QCOMPARE(QApplication::focusWidget(), theField->TextBox());
  }

  // ---- Layout ----

  void layout_data() {
    QTest::addColumn<bool>("useButtons");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<int>("height");
    QTest::newRow("stretched even") << true << true << 30;
    QTest::newRow("stretched odd") << true << true << 31;
    QTest::newRow("fixed height") << true << false << 40;
    QTest::newRow("fixed, control lower") << true << false << 12;
    QTest::newRow("no buttons") << false << true << 30;
  }
  void layout() {
    QFETCH(bool, useButtons);
    QFETCH(bool, stretch);
    QFETCH(int, height);
    Tallyfield theField;
    theField.SetUseButtons(useButtons);
    theField.SetStretchButtons(stretch);
    theField.show();
    theField.resize(150, height);
    const int theWidth = 150;
    if (!useButtons) {
      QCOMPARE(theField.TextBox()->geometry(), QRect(0, 0, theWidth, height));
      QVERIFY(theField.UpButton()->isHidden());
      QVERIFY(theField.DownButton()->isHidden());
      return;
    }
    const int theButtonWidth = (Tallyfield::kButtonWidthTwips * theField.logicalDpiX() + 720) / 1440;
    const int theButtons =
        stretch ? height : (Tallyfield::kButtonHeightTwips * theField.logicalDpiY() + 720) / 1440;
    if (theField.logicalDpiY() == 96 && !stretch) QCOMPARE(theButtons, 19);
    const int theLeft = theWidth - theButtonWidth;
    QCOMPARE(theField.TextBox()->geometry(), QRect(0, 0, theLeft, height));
    QCOMPARE(theField.UpButton()->geometry(), QRect(theLeft, 0, theButtonWidth, theButtons / 2));
    QCOMPARE(theField.DownButton()->geometry(),
             QRect(theLeft, theButtons / 2, theButtonWidth, theButtons - theButtons / 2));
    QVERIFY(!theField.UpButton()->isHidden());
  }

  void switchingButtonsLaysOutAgain() {
    Tallyfield theField;
    theField.show();
    theField.resize(150, 30);
    theField.SetUseButtons(false);
    QCOMPARE(theField.TextBox()->width(), 150);
    theField.SetUseButtons(true);
    QVERIFY(theField.TextBox()->width() < 150);
    QCOMPARE(theField.UpButton()->geometry().right(), 149);
    theField.SetStretchButtons(false);
    QVERIFY(theField.DownButton()->geometry().bottom() < 29);
  }

  // ---- Forwarded events ----

  void keyPressHandlerChangesTheCharacter() {
    Tallyfield theField;
    int theKeyDowns = 0;
    int theKeyUps = 0;
    connect(&theField, &Tallyfield::KeyDown, this, [&](int*, int) { ++theKeyDowns; });
    connect(&theField, &Tallyfield::KeyUp, this, [&](int*, int) { ++theKeyUps; });
    connect(&theField, &Tallyfield::KeyPress, this, [](int* ioKeyAscii) {
      if (*ioKeyAscii == 'x') *ioKeyAscii = 0;      // swallowed
      else if (*ioKeyAscii == 'o') *ioKeyAscii = '0';  // replaced
    });
    QTest::keyClicks(theField.TextBox(), QStringLiteral("1xo2"));
    QCOMPARE(theField.Text(), QStringLiteral("102"));
    QCOMPARE(theKeyDowns, 4);
    QCOMPARE(theKeyUps, 4);
    QCOMPARE(BoxColour(theField), kValid);
  }

  void mouseEventsForwarded() {
    Tallyfield theField;
    theField.show();
    theField.resize(150, 30);
    QSignalSpy theDowns(&theField, &Tallyfield::MouseDown);
    QSignalSpy theUps(&theField, &Tallyfield::MouseUp);
    QSignalSpy theClicks(&theField, &Tallyfield::Click);
    QSignalSpy theDoubles(&theField, &Tallyfield::DblClick);
    QTest::mouseClick(theField.TextBox(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 6));
    QCOMPARE(theDowns.count(), 1);
    QCOMPARE(theDowns.at(0).at(0).toInt(), 1);
    QCOMPARE(theDowns.at(0).at(1).toInt(), 1);
    QCOMPARE(theDowns.at(0).at(2).toDouble(), 5.0);
    QCOMPARE(theDowns.at(0).at(3).toDouble(), 6.0);
    QCOMPARE(theUps.count(), 1);
    QCOMPARE(theClicks.count(), 1);
    QTest::mouseDClick(theField.TextBox(), Qt::LeftButton);
    QCOMPARE(theDoubles.count(), 1);
  }

  // ---- Pass-through members ----

  void passThroughs() {
    Tallyfield theField;
    theField.SetText(QStringLiteral("12345"));
    theField.SetSelStart(1);
    theField.SetSelLength(3);
    QCOMPARE(theField.SelText(), QStringLiteral("234"));
    theField.SetSelText(QStringLiteral("9"));
    QCOMPARE(theField.Text(), QStringLiteral("195"));
    theField.SetMaxLength(0);
    QCOMPARE(theField.MaxLength(), 0);
    theField.SetMaxLength(3);
    QCOMPARE(theField.TextBox()->maxLength(), 3);
    theField.SetLocked(true);
    QVERIFY(theField.TextBox()->isReadOnly());
    theField.SetPasswordChar(QStringLiteral("*"));
    QCOMPARE(theField.TextBox()->echoMode(), QLineEdit::Password);
    theField.SetEnabled(false);
    QVERIFY(!theField.TextBox()->isEnabled());
    QVERIFY(!theField.UpButton()->isEnabled());
    QVERIFY(!theField.DownButton()->isEnabled());
    theField.SetText(QStringLiteral("1"));
    QVERIFY(!theField.UpButton()->isEnabled());  // state updates keep a disabled control disabled
  }

  // ---- Screenshots of the demonstration form ----

  void demoScreenshots_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("valid") << "valid" << "1234" << kValid;
    QTest::newRow("invalid") << "invalid" << "12a" << kInvalid;
    QTest::newRow("empty") << "empty" << "" << kEmpty;
  }
  void demoScreenshots() {
    QFETCH(QString, state);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    TallyfieldDemo theDemo;
    theDemo.resize(360, 180);
    theDemo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&theDemo));
    Tallyfield* theField = theDemo.DecimalField();
    QTest::keyClicks(theField->TextBox(), QStringLiteral("9"));
    theField->SetText(text);
    const QImage theImage = theDemo.grab().toImage();
    QVERIFY(!theImage.isNull());
    // The inside of the text box, away from its frame and text, shows the state's colour.
    const QRect theBox = theField->TextBox()->geometry().translated(theField->pos());
    const QPoint theProbe(theBox.right() - 6, theBox.center().y());
    const qreal theScale = theImage.devicePixelRatio();
    QCOMPARE(QColor(theImage.pixel(theProbe * theScale)), colour);
    const QString theFolder = QStringLiteral(QUORIX_BINARY_DIR "/tallyfield-screenshots");
    QVERIFY(QDir().mkpath(theFolder));
    QVERIFY(theImage.save(theFolder + QStringLiteral("/demo-%1.png").arg(state)));
  }
};

QTEST_MAIN(TallyfieldTest)
#include "TallyfieldTest.moc"
