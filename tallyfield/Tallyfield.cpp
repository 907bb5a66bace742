#include "tallyfield/Tallyfield.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QToolButton>

#include <algorithm>
#include <limits>

#include "tallyfield/TallyfieldPropertyBag.h"

namespace {

constexpr std::int64_t kMinLong = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMaxLong = std::numeric_limits<std::int32_t>::max();
// QLineEdit's own "no limit".
constexpr int kLineEditMaxLength = 32767;

int ShiftBits(Qt::KeyboardModifiers inModifiers) {
  int theBits = 0;
  if (inModifiers & Qt::ShiftModifier) theBits |= 1;
  if (inModifiers & Qt::ControlModifier) theBits |= 2;
  if (inModifiers & Qt::AltModifier) theBits |= 4;
  return theBits;
}

int ButtonBits(Qt::MouseButtons inButtons) {
  int theBits = 0;
  if (inButtons & Qt::LeftButton) theBits |= 1;
  if (inButtons & Qt::RightButton) theBits |= 2;
  if (inButtons & Qt::MiddleButton) theBits |= 4;
  return theBits;
}

int TwipsToPixels(int inTwips, int inDpi) { return (inTwips * inDpi + 720) / 1440; }

}  // namespace

Tallyfield::Tallyfield(QWidget* inParent)
    : QWidget(inParent),
      mInvalidColour(ColourFromBgr(0xC0C0FF)),
      mValidColour(ColourFromBgr(0xC0FFC0)),
      mEmptyColour(ColourFromBgr(0xFFC0C0)) {
  mTxtBox = new QLineEdit(this);
  mTxtBox->setObjectName(QStringLiteral("txtBox"));
  mTxtBox->setMouseTracking(true);
  mTxtBox->installEventFilter(this);

  mCmdUp = new QToolButton(this);
  mCmdUp->setObjectName(QStringLiteral("cmdUp"));
  mCmdUp->setArrowType(Qt::UpArrow);
  mCmdDown = new QToolButton(this);
  mCmdDown->setObjectName(QStringLiteral("cmdDown"));
  mCmdDown->setArrowType(Qt::DownArrow);
  for (QToolButton* theButton : {mCmdUp, mCmdDown}) {
    // Like a command button the arrows take the focus by mouse and by tab; the focus rule then
    // decides whether they keep it.
    theButton->setFocusPolicy(Qt::StrongFocus);
    theButton->installEventFilter(this);
  }
  setTabOrder(mTxtBox, mCmdUp);
  setTabOrder(mCmdUp, mCmdDown);
  setFocusProxy(mTxtBox);
  setFocusPolicy(Qt::StrongFocus);

  connect(mTxtBox, &QLineEdit::textChanged, this, &Tallyfield::UpdateState);
  connect(mCmdUp, &QToolButton::clicked, this, [this] { Step(+1); });
  connect(mCmdDown, &QToolButton::clicked, this, [this] { Step(-1); });

  // A new control takes the text box's background as its own and shows the text box in the
  // invalid colour; the colours follow the text from its first change on.
  mBackColor = mTxtBox->palette().color(QPalette::Base);
  QPalette thePalette = palette();
  thePalette.setColor(QPalette::Window, mBackColor);
  setPalette(thePalette);
  setAutoFillBackground(true);
  SetTextBoxColour(mInvalidColour);

  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  resize(sizeHint());
  LayOut();
}

Tallyfield::~Tallyfield() = default;

QColor Tallyfield::ColourFromBgr(std::uint32_t inBgr) {
  return QColor(static_cast<int>(inBgr & 0xFF), static_cast<int>((inBgr >> 8) & 0xFF),
                static_cast<int>((inBgr >> 16) & 0xFF));
}

// ---- Numbers ----

std::optional<std::int32_t> Tallyfield::Parse() const {
  const QString theText = mTxtBox->text().trimmed();
  if (theText.isEmpty()) return std::nullopt;
  if (mStyle == LongInteger) {
    qsizetype thePos = 0;
    bool theNegative = false;
    if (theText[0] == QLatin1Char('+') || theText[0] == QLatin1Char('-')) {
      theNegative = theText[0] == QLatin1Char('-');
      ++thePos;
    }
    if (thePos == theText.size()) return std::nullopt;
    std::int64_t theMagnitude = 0;
    for (; thePos < theText.size(); ++thePos) {
      const char16_t theChar = theText[thePos].unicode();
      if (theChar < u'0' || theChar > u'9') return std::nullopt;
      theMagnitude = theMagnitude * 10 + (theChar - u'0');
      // Past the 32-bit range: an overflow, and so not a valid text; stop before 64 bits overflow.
      if (theMagnitude > kMaxLong + 1) return std::nullopt;
    }
    const std::int64_t theValue = theNegative ? -theMagnitude : theMagnitude;
    if (theValue < kMinLong || theValue > kMaxLong) return std::nullopt;
    return static_cast<std::int32_t>(theValue);
  }
  // Hexadecimal: up to eight significant digits, read as 32-bit two's complement.
  std::uint32_t theBits = 0;
  int theSignificant = 0;
  for (const QChar theQChar : theText) {
    const char16_t theChar = theQChar.unicode();
    std::uint32_t theDigit;
    if (theChar >= u'0' && theChar <= u'9')
      theDigit = theChar - u'0';
    else if (theChar >= u'A' && theChar <= u'F')
      theDigit = theChar - u'A' + 10;
    else if (theChar >= u'a' && theChar <= u'f')
      theDigit = theChar - u'a' + 10;
    else
      return std::nullopt;
    if (theSignificant == 0 && theDigit == 0) continue;
    if (++theSignificant > 8) return std::nullopt;
    theBits = (theBits << 4) | theDigit;
  }
  return static_cast<std::int32_t>(theBits);
}

QString Tallyfield::Format(std::int32_t inValue) const {
  if (mStyle == Hexadecimal)
    return QString::number(static_cast<std::uint32_t>(inValue), 16).toUpper();
  return QString::number(inValue);
}

bool Tallyfield::Validate() const {
  if (mTxtBox->text().isEmpty()) return false;
  const std::optional<std::int32_t> theValue = Parse();
  if (!theValue) return false;
  return !mValueLimited || (mLowerLimit <= *theValue && *theValue <= mUpperLimit);
}

int Tallyfield::Value() const {
  if (!Validate()) return 0;
  return *Parse();
}

void Tallyfield::SetValue(int inValue) {
  mTxtBox->setText(Format(inValue));
  emit PropertyChanged(QStringLiteral("Value"));
}

// ---- State ----

void Tallyfield::SetTextBoxColour(const QColor& inColour) {
  QPalette thePalette = mTxtBox->palette();
  thePalette.setColor(QPalette::Base, inColour);
  mTxtBox->setPalette(thePalette);
}

void Tallyfield::UpdateState() {
  const bool theEmpty = mTxtBox->text().isEmpty();
  const bool theValid = !theEmpty && Validate();
  if (mUseColours) SetTextBoxColour(theEmpty ? mEmptyColour : theValid ? mValidColour : mInvalidColour);
  if (mUseButtons) {
    bool theUp = false;
    bool theDown = false;
    if (theEmpty || theValid) {
      if (mValueLimited) {
        // In 64 bits, so that limits at the 32-bit edge do not overflow.
        const std::int64_t theValue = theEmpty ? 0 : Value();
        theDown = theValue >= std::int64_t{mLowerLimit} + mButtonStep;
        theUp = std::int64_t{mUpperLimit} - mButtonStep >= theValue;
      } else {
        theUp = theDown = true;
      }
    }
    mCmdUp->setEnabled(mEnabled && theUp);
    mCmdDown->setEnabled(mEnabled && theDown);
  }
  emit Change();
}

void Tallyfield::Step(int inDirection) {
  bool& theFlag = inDirection > 0 ? mUpFocusFlag : mDownFocusFlag;
  const auto theRestoreFocus = [&] {
    if (theFlag) {
      theFlag = false;
      mTxtBox->setFocus(Qt::OtherFocusReason);
    }
  };
  const std::int64_t theStep = std::int64_t{inDirection} * mButtonStep;
  if (mTxtBox->text().isEmpty()) {
    SetValue(static_cast<int>(theStep));
  } else if (Validate()) {
    const std::int64_t theSum = std::int64_t{Value()} + theStep;
    if (theSum < kMinLong || theSum > kMaxLong) {
      theRestoreFocus();
      emit Error(kOverflowError, QStringLiteral("Overflow"));
      return;
    }
    SetValue(static_cast<int>(theSum));
  }
  theRestoreFocus();
  if (inDirection > 0)
    emit UpButtonClicked();
  else
    emit DownButtonClicked();
}

// ---- Layout ----

QSize Tallyfield::sizeHint() const {
  const QSize theBox = mTxtBox->sizeHint();
  const int theButtons = mUseButtons ? TwipsToPixels(kButtonWidthTwips, logicalDpiX()) : 0;
  return {theBox.width() + theButtons, theBox.height()};
}

QSize Tallyfield::minimumSizeHint() const {
  const QSize theBox = mTxtBox->minimumSizeHint();
  const int theButtons = mUseButtons ? TwipsToPixels(kButtonWidthTwips, logicalDpiX()) : 0;
  return {theBox.width() + theButtons, theBox.height()};
}

void Tallyfield::resizeEvent(QResizeEvent* inEvent) {
  QWidget::resizeEvent(inEvent);
  LayOut();
}

void Tallyfield::LayOut() {
  const int theWidth = width();
  const int theHeight = height();
  mCmdUp->setVisible(mUseButtons);
  mCmdDown->setVisible(mUseButtons);
  if (!mUseButtons) {
    mTxtBox->setGeometry(0, 0, theWidth, theHeight);
    return;
  }
  const int theButtonWidth = TwipsToPixels(kButtonWidthTwips, logicalDpiX());
  const int theButtonHeight =
      mStretchButtons ? theHeight : TwipsToPixels(kButtonHeightTwips, logicalDpiY());
  const int theLeft = std::max(0, theWidth - theButtonWidth);
  mTxtBox->setGeometry(0, 0, theLeft, theHeight);
  const int theUpHeight = theButtonHeight / 2;
  mCmdUp->setGeometry(theLeft, 0, theButtonWidth, theUpHeight);
  mCmdDown->setGeometry(theLeft, theUpHeight, theButtonWidth, theButtonHeight - theUpHeight);
}

// ---- Events ----

bool Tallyfield::eventFilter(QObject* inWatched, QEvent* inEvent) {
  if (inWatched == mTxtBox) return TextBoxEvent(inEvent);
  if (inWatched == mCmdUp) return ButtonEvent(mCmdUp, mUpFocusFlag, inEvent);
  if (inWatched == mCmdDown) return ButtonEvent(mCmdDown, mDownFocusFlag, inEvent);
  return QWidget::eventFilter(inWatched, inEvent);
}

bool Tallyfield::ButtonEvent(QToolButton* inButton, bool& ioFocusFlag, QEvent* inEvent) {
  switch (inEvent->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      ioFocusFlag = true;
      break;
    case QEvent::FocusIn:
      // Qt gives the focus before it delivers the press, so a focus by mouse counts as a press.
      if (static_cast<QFocusEvent*>(inEvent)->reason() == Qt::MouseFocusReason)
        ioFocusFlag = true;
      else if (!ioFocusFlag && inButton->isVisible())
        mTxtBox->setFocus(Qt::OtherFocusReason);
      break;
    default:
      break;
  }
  return false;
}

bool Tallyfield::TextBoxEvent(QEvent* inEvent) {
  switch (inEvent->type()) {
    case QEvent::KeyPress: {
      if (mResending) return false;
      auto* theKey = static_cast<QKeyEvent*>(inEvent);
      int theCode = theKey->key();
      emit KeyDown(&theCode, ShiftBits(theKey->modifiers()));
      const QString theText = theKey->text();
      if (theText.size() != 1) return false;
      const int theOriginal = theText[0].unicode();
      int theAscii = theOriginal;
      emit KeyPress(&theAscii);
      if (theAscii == theOriginal) return false;
      if (theAscii != 0) {
        QKeyEvent theChanged(QEvent::KeyPress, theKey->key(), theKey->modifiers(),
                             QString(QChar(static_cast<char16_t>(theAscii))));
        mResending = true;
        QCoreApplication::sendEvent(mTxtBox, &theChanged);
        mResending = false;
      }
      return true;
    }
    case QEvent::KeyRelease: {
      auto* theKey = static_cast<QKeyEvent*>(inEvent);
      int theCode = theKey->key();
      emit KeyUp(&theCode, ShiftBits(theKey->modifiers()));
      break;
    }
    case QEvent::MouseButtonPress: {
      auto* theMouse = static_cast<QMouseEvent*>(inEvent);
      emit MouseDown(ButtonBits(theMouse->button()), ShiftBits(theMouse->modifiers()),
                     theMouse->position().x(), theMouse->position().y());
      break;
    }
    case QEvent::MouseMove: {
      auto* theMouse = static_cast<QMouseEvent*>(inEvent);
      emit MouseMove(ButtonBits(theMouse->buttons()), ShiftBits(theMouse->modifiers()),
                     theMouse->position().x(), theMouse->position().y());
      break;
    }
    case QEvent::MouseButtonRelease: {
      auto* theMouse = static_cast<QMouseEvent*>(inEvent);
      emit MouseUp(ButtonBits(theMouse->button()), ShiftBits(theMouse->modifiers()),
                   theMouse->position().x(), theMouse->position().y());
      if (theMouse->button() == Qt::LeftButton && mTxtBox->rect().contains(theMouse->position().toPoint()))
        emit Click();
      break;
    }
    case QEvent::MouseButtonDblClick:
      emit DblClick();
      break;
    default:
      break;
  }
  return false;
}

void Tallyfield::About() {
  QMessageBox::about(this, tr("About Tallyfield"),
                     tr("<b>Tallyfield</b><br>Version 1.0 beta<br>"
                        "Numeric text entry in decimal or hexadecimal."));
}

// ---- Own properties ----

void Tallyfield::SetStyle(TFStyle inStyle) {
  if (Validate()) {
    const int theValue = Value();
    mStyle = inStyle;
    mTxtBox->setText(Format(theValue));
  } else {
    mStyle = inStyle;
  }
  emit PropertyChanged(QStringLiteral("Style"));
}

void Tallyfield::SetUpperLimit(int inLimit) {
  mUpperLimit = inLimit;
  emit PropertyChanged(QStringLiteral("UpperLimit"));
}

void Tallyfield::SetLowerLimit(int inLimit) {
  mLowerLimit = inLimit;
  emit PropertyChanged(QStringLiteral("LowerLimit"));
}

void Tallyfield::SetValueLimited(bool inLimited) {
  mValueLimited = inLimited;
  emit PropertyChanged(QStringLiteral("ValueLimited"));
}

void Tallyfield::SetUseColours(bool inUse) {
  mUseColours = inUse;
  if (mUseColours)
    UpdateState();
  else
    SetTextBoxColour(mBackColor);
  emit PropertyChanged(QStringLiteral("UseColours"));
}

void Tallyfield::SetInvalidColour(const QColor& inColour) {
  mInvalidColour = inColour;
  emit PropertyChanged(QStringLiteral("InvalidColour"));
}

void Tallyfield::SetValidColour(const QColor& inColour) {
  mValidColour = inColour;
  emit PropertyChanged(QStringLiteral("ValidColour"));
}

void Tallyfield::SetEmptyColour(const QColor& inColour) {
  mEmptyColour = inColour;
  emit PropertyChanged(QStringLiteral("EmptyColour"));
}

void Tallyfield::SetUseButtons(bool inUse) {
  mUseButtons = inUse;
  updateGeometry();
  LayOut();
  emit PropertyChanged(QStringLiteral("UseButtons"));
}

void Tallyfield::SetStretchButtons(bool inStretch) {
  mStretchButtons = inStretch;
  LayOut();
  emit PropertyChanged(QStringLiteral("StretchButtons"));
}

void Tallyfield::SetButtonStep(int inStep) {
  if (inStep < std::numeric_limits<short>::min() || inStep > std::numeric_limits<short>::max()) {
    emit Error(kOverflowError, QStringLiteral("Overflow"));
    return;
  }
  mButtonStep = static_cast<short>(inStep);
  emit PropertyChanged(QStringLiteral("ButtonStep"));
}

// ---- Pass-through properties ----

void Tallyfield::SetBackColor(const QColor& inColour) {
  mBackColor = inColour;
  QPalette thePalette = palette();
  thePalette.setColor(QPalette::Window, inColour);
  setPalette(thePalette);
  if (!mUseColours) SetTextBoxColour(inColour);
}

QColor Tallyfield::ForeColor() const { return mTxtBox->palette().color(QPalette::Text); }

void Tallyfield::SetForeColor(const QColor& inColour) {
  QPalette thePalette = mTxtBox->palette();
  thePalette.setColor(QPalette::Text, inColour);
  mTxtBox->setPalette(thePalette);
}

void Tallyfield::SetEnabled(bool inEnabled) {
  mEnabled = inEnabled;
  mTxtBox->setEnabled(inEnabled);
  mCmdUp->setEnabled(inEnabled);
  mCmdDown->setEnabled(inEnabled);
}

QFont Tallyfield::Font() const { return mTxtBox->font(); }
void Tallyfield::SetFont(const QFont& inFont) { mTxtBox->setFont(inFont); }

Tallyfield::TFBorderStyle Tallyfield::BorderStyle() const {
  return mTxtBox->hasFrame() ? tfSolid : tfNone;
}
void Tallyfield::SetBorderStyle(TFBorderStyle inStyle) { mTxtBox->setFrame(inStyle == tfSolid); }

void Tallyfield::SetAppearance(TFAppearance inAppearance) {
  mAppearance = inAppearance;
  mCmdUp->setAutoRaise(inAppearance == tfFlat);
  mCmdDown->setAutoRaise(inAppearance == tfFlat);
}

void Tallyfield::SetWhatsThisHelpID(int inID) { mWhatsThisHelpID = inID; }

QString Tallyfield::ToolTipText() const { return mTxtBox->toolTip(); }
void Tallyfield::SetToolTipText(const QString& inText) { mTxtBox->setToolTip(inText); }

QString Tallyfield::Text() const { return mTxtBox->text(); }
void Tallyfield::SetText(const QString& inText) { mTxtBox->setText(inText); }

QString Tallyfield::SelText() const { return mTxtBox->selectedText(); }
void Tallyfield::SetSelText(const QString& inText) { mTxtBox->insert(inText); }

int Tallyfield::SelStart() const {
  return mTxtBox->hasSelectedText() ? mTxtBox->selectionStart() : mTxtBox->cursorPosition();
}
void Tallyfield::SetSelStart(int inStart) { mTxtBox->setCursorPosition(inStart); }

int Tallyfield::SelLength() const { return mTxtBox->selectionLength(); }
void Tallyfield::SetSelLength(int inLength) {
  const int theStart = SelStart();
  if (inLength <= 0)
    mTxtBox->setCursorPosition(theStart);
  else
    mTxtBox->setSelection(theStart, inLength);
}

bool Tallyfield::RightToLeft() const { return mTxtBox->layoutDirection() == Qt::RightToLeft; }
void Tallyfield::SetRightToLeft(bool inRightToLeft) {
  mTxtBox->setLayoutDirection(inRightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
}

void Tallyfield::SetPasswordChar(const QString& inChar) {
  // The line edit draws its own masking character; any character given switches masking on.
  mPasswordChar = inChar.left(1);
  mTxtBox->setEchoMode(mPasswordChar.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
}

int Tallyfield::MaxLength() const {
  return mTxtBox->maxLength() >= kLineEditMaxLength ? 0 : mTxtBox->maxLength();
}
void Tallyfield::SetMaxLength(int inLength) {
  mTxtBox->setMaxLength(inLength <= 0 ? kLineEditMaxLength : inLength);
}

bool Tallyfield::Locked() const { return mTxtBox->isReadOnly(); }
void Tallyfield::SetLocked(bool inLocked) { mTxtBox->setReadOnly(inLocked); }

Qt::Alignment Tallyfield::Alignment() const { return mTxtBox->alignment(); }
void Tallyfield::SetAlignment(Qt::Alignment inAlignment) { mTxtBox->setAlignment(inAlignment); }

// ---- Persistence ----

void Tallyfield::WriteProperties(TallyfieldPropertyBag& outBag) const {
  const QPalette theSystem = QApplication::palette(mTxtBox);
  const QFont theSystemFont = QApplication::font(mTxtBox);
  const auto thePut = [&](const char* inName, const QVariant& inValue, const QVariant& inDefault) {
    outBag.WriteProperty(QString::fromLatin1(inName), inValue, inDefault);
  };
  thePut("BackColor", mBackColor, theSystem.color(QPalette::Base));
  thePut("ForeColor", ForeColor(), theSystem.color(QPalette::Text));
  thePut("Enabled", mEnabled, true);
  thePut("Font", Font(), theSystemFont);
  thePut("BorderStyle", static_cast<int>(BorderStyle()), static_cast<int>(tfSolid));
  thePut("Style", static_cast<int>(mStyle), static_cast<int>(LongInteger));
  thePut("UpperLimit", mUpperLimit, 0);
  thePut("LowerLimit", mLowerLimit, 0);
  thePut("UseColours", mUseColours, true);
  thePut("WhatsThisHelpID", mWhatsThisHelpID, 0);
  thePut("ToolTipText", ToolTipText(), QString());
  thePut("Text", Text(), QString());
  thePut("SelText", SelText(), QString());
  thePut("SelStart", SelStart(), 0);
  thePut("SelLength", SelLength(), 0);
  thePut("RightToLeft", RightToLeft(), false);
  thePut("PasswordChar", mPasswordChar, QString());
  thePut("OLEDropMode", mOLEDropMode, 0);
  thePut("OLEDragMode", mOLEDragMode, 0);
  thePut("MousePointer", mMousePointer, 0);
  // A pixmap has no equality; "none" is written as nothing.
  thePut("MouseIcon", mMouseIcon.isNull() ? QVariant() : QVariant(mMouseIcon), QVariant());
  thePut("MaxLength", MaxLength(), 0);
  thePut("Locked", Locked(), false);
  thePut("CausesValidation", mCausesValidation, true);
  thePut("Appearance", static_cast<int>(mAppearance), static_cast<int>(tf3D));
  thePut("ValueLimited", mValueLimited, false);
  thePut("InvalidColour", mInvalidColour, ColourFromBgr(0xC0C0FF));
  thePut("ValidColour", mValidColour, ColourFromBgr(0xC0FFC0));
  thePut("EmptyColour", mEmptyColour, ColourFromBgr(0xFFC0C0));
  thePut("UseButtons", mUseButtons, true);
  thePut("StretchButtons", mStretchButtons, true);
  thePut("ButtonStep", ButtonStep(), 1);
}

void Tallyfield::ReadProperties(const TallyfieldPropertyBag& inBag) {
  const QPalette theSystem = QApplication::palette(mTxtBox);
  const auto theGet = [&](const char* inName, const QVariant& inDefault) {
    return inBag.ReadProperty(QString::fromLatin1(inName), inDefault);
  };
  SetBackColor(theGet("BackColor", theSystem.color(QPalette::Base)).value<QColor>());
  SetForeColor(theGet("ForeColor", theSystem.color(QPalette::Text)).value<QColor>());
  SetEnabled(theGet("Enabled", true).toBool());
  SetFont(theGet("Font", QApplication::font(mTxtBox)).value<QFont>());
  SetBorderStyle(static_cast<TFBorderStyle>(theGet("BorderStyle", int{tfSolid}).toInt()));
  // Read before the text, which is then taken as it was stored rather than rewritten.
  mStyle = static_cast<TFStyle>(theGet("Style", int{LongInteger}).toInt());
  mUpperLimit = theGet("UpperLimit", 0).toInt();
  mLowerLimit = theGet("LowerLimit", 0).toInt();
  mUseColours = theGet("UseColours", true).toBool();
  mWhatsThisHelpID = theGet("WhatsThisHelpID", 0).toInt();
  SetToolTipText(theGet("ToolTipText", QString()).toString());
  SetText(theGet("Text", QString()).toString());
  // The selected text follows from Text, SelStart and SelLength; the selection is restored at the
  // end, since switching the echo mode drops it.
  const int theSelStart = theGet("SelStart", 0).toInt();
  const int theSelLength = theGet("SelLength", 0).toInt();
  SetRightToLeft(theGet("RightToLeft", false).toBool());
  SetPasswordChar(theGet("PasswordChar", QString()).toString());
  mOLEDropMode = theGet("OLEDropMode", 0).toInt();
  mOLEDragMode = theGet("OLEDragMode", 0).toInt();
  mMousePointer = theGet("MousePointer", 0).toInt();
  mMouseIcon = theGet("MouseIcon", QVariant()).value<QPixmap>();
  SetMaxLength(theGet("MaxLength", 0).toInt());
  SetLocked(theGet("Locked", false).toBool());
  mCausesValidation = theGet("CausesValidation", true).toBool();
  SetAppearance(static_cast<TFAppearance>(theGet("Appearance", int{tf3D}).toInt()));
  mValueLimited = theGet("ValueLimited", false).toBool();
  mInvalidColour = theGet("InvalidColour", ColourFromBgr(0xC0C0FF)).value<QColor>();
  mValidColour = theGet("ValidColour", ColourFromBgr(0xC0FFC0)).value<QColor>();
  mEmptyColour = theGet("EmptyColour", ColourFromBgr(0xFFC0C0)).value<QColor>();
  mUseButtons = theGet("UseButtons", true).toBool();
  mStretchButtons = theGet("StretchButtons", true).toBool();
  SetButtonStep(theGet("ButtonStep", 1).toInt());
  SetSelStart(theSelStart);
  SetSelLength(theSelLength);
  LayOut();
  // The text was set before the limits and colours it is judged by.
  if (!Text().isEmpty()) UpdateState();
  if (!mUseColours) SetTextBoxColour(mBackColor);
}
