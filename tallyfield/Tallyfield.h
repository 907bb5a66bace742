// Tallyfield: a single-line entry for a whole number, shown in decimal or hexadecimal, with up and
// down buttons that step the value, optional range limits, and a background colour that shows at
// every keystroke whether the text is empty, a valid number or invalid. Nothing the user types is
// rejected; validity is shown and can be asked for with Validate.
//
// The control is made of the line edit "txtBox" and the tool buttons "cmdUp" and "cmdDown". Its
// own properties, the pass-through properties of the line edit and Validate/About are reachable by
// name through Qt's meta-object system, so that Designer and script engines can use them.
//
// Numbers: LongInteger text is an optional sign and decimal digits, with white space around them
// allowed ("1.5", "1e3" and "&H10" are invalid). Hexadecimal text is one to eight hexadecimal
// digits (leading zeros not counted, either case, white space around allowed, no prefix or sign),
// read as a 32-bit two's complement number: "FFFF" is 65535 and "FFFFFFFF" is -1. Writing Value
// in that style gives capital digits without leading zeros, so -1 writes "FFFFFFFF" and reading
// back gives -1 again.
//
// Errors: stepping past the 32-bit range emits Error(6, "Overflow"), leaves the text as it was
// and does not emit UpButtonClicked/DownButtonClicked.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>

class QLineEdit;
class QToolButton;
class TallyfieldPropertyBag;

class Tallyfield : public QWidget {
  Q_OBJECT

 public:
  enum TFStyle { LongInteger = 0, Hexadecimal = 1 };
  Q_ENUM(TFStyle)
  enum TFAppearance { tfFlat = 0, tf3D = 1 };
  Q_ENUM(TFAppearance)
  enum TFBorderStyle { tfNone = 0, tfSolid = 1 };
  Q_ENUM(TFBorderStyle)

 private:
  // Own properties.
  Q_PROPERTY(TFStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(int UpperLimit READ UpperLimit WRITE SetUpperLimit)
  Q_PROPERTY(int LowerLimit READ LowerLimit WRITE SetLowerLimit)
  Q_PROPERTY(bool ValueLimited READ ValueLimited WRITE SetValueLimited)
  Q_PROPERTY(bool UseColours READ UseColours WRITE SetUseColours)
  Q_PROPERTY(QColor InvalidColour READ InvalidColour WRITE SetInvalidColour)
  Q_PROPERTY(QColor ValidColour READ ValidColour WRITE SetValidColour)
  Q_PROPERTY(QColor EmptyColour READ EmptyColour WRITE SetEmptyColour)
  Q_PROPERTY(bool UseButtons READ UseButtons WRITE SetUseButtons)
  Q_PROPERTY(bool StretchButtons READ StretchButtons WRITE SetStretchButtons)
  Q_PROPERTY(int ButtonStep READ ButtonStep WRITE SetButtonStep)
  Q_PROPERTY(int Value READ Value WRITE SetValue STORED false DESIGNABLE false)

  // Pass-through properties of the control and its line edit.
  Q_PROPERTY(QColor BackColor READ BackColor WRITE SetBackColor)
  Q_PROPERTY(QColor ForeColor READ ForeColor WRITE SetForeColor)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(QFont Font READ Font WRITE SetFont)
  Q_PROPERTY(TFBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
  Q_PROPERTY(TFAppearance Appearance READ Appearance WRITE SetAppearance)
  Q_PROPERTY(int WhatsThisHelpID READ WhatsThisHelpID WRITE SetWhatsThisHelpID)
  Q_PROPERTY(QString ToolTipText READ ToolTipText WRITE SetToolTipText)
  Q_PROPERTY(QString Text READ Text WRITE SetText USER true)
  Q_PROPERTY(QString SelText READ SelText WRITE SetSelText STORED false DESIGNABLE false)
  Q_PROPERTY(int SelStart READ SelStart WRITE SetSelStart STORED false DESIGNABLE false)
  Q_PROPERTY(int SelLength READ SelLength WRITE SetSelLength STORED false DESIGNABLE false)
  Q_PROPERTY(bool RightToLeft READ RightToLeft WRITE SetRightToLeft)
  Q_PROPERTY(QString PasswordChar READ PasswordChar WRITE SetPasswordChar)
  Q_PROPERTY(int OLEDropMode READ OLEDropMode WRITE SetOLEDropMode)
  Q_PROPERTY(int OLEDragMode READ OLEDragMode WRITE SetOLEDragMode)
  Q_PROPERTY(int MousePointer READ MousePointer WRITE SetMousePointer)
  Q_PROPERTY(QPixmap MouseIcon READ MouseIcon WRITE SetMouseIcon)
  Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
  Q_PROPERTY(bool Locked READ Locked WRITE SetLocked)
  Q_PROPERTY(bool CausesValidation READ CausesValidation WRITE SetCausesValidation)
  Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(int ScrollBars READ ScrollBars)
  Q_PROPERTY(bool HideSelection READ HideSelection)

 public:
  // The error number and text of an overflow while stepping.
  static constexpr int kOverflowError = 6;
  // The width of the buttons and their joint height when they are not stretched, in twips
  // (1440 to the inch).
  static constexpr int kButtonWidthTwips = 255;
  static constexpr int kButtonHeightTwips = 285;

  explicit Tallyfield(QWidget* inParent = nullptr);
  ~Tallyfield() override;

  // A colour given as 0x00BBGGRR.
  static QColor ColourFromBgr(std::uint32_t inBgr);

  // True when the text is a number of the current style (and within the limits when ValueLimited).
  Q_INVOKABLE bool Validate() const;
  // Shows the modal about box.
  Q_INVOKABLE void About();

  // Writes the persisted properties that differ from their defaults, in their fixed order.
  void WriteProperties(TallyfieldPropertyBag& outBag) const;
  // Reads the persisted properties; names the bag does not hold take their defaults.
  void ReadProperties(const TallyfieldPropertyBag& inBag);

  TFStyle Style() const { return mStyle; }
  void SetStyle(TFStyle inStyle);
  int UpperLimit() const { return mUpperLimit; }
  void SetUpperLimit(int inLimit);
  int LowerLimit() const { return mLowerLimit; }
  void SetLowerLimit(int inLimit);
  bool ValueLimited() const { return mValueLimited; }
  void SetValueLimited(bool inLimited);
  bool UseColours() const { return mUseColours; }
  void SetUseColours(bool inUse);
  QColor InvalidColour() const { return mInvalidColour; }
  void SetInvalidColour(const QColor& inColour);
  QColor ValidColour() const { return mValidColour; }
  void SetValidColour(const QColor& inColour);
  QColor EmptyColour() const { return mEmptyColour; }
  void SetEmptyColour(const QColor& inColour);
  bool UseButtons() const { return mUseButtons; }
  void SetUseButtons(bool inUse);
  bool StretchButtons() const { return mStretchButtons; }
  void SetStretchButtons(bool inStretch);
  // A 16-bit amount; a step outside -32768..32767 is refused with Error(6, "Overflow").
  int ButtonStep() const { return mButtonStep; }
  void SetButtonStep(int inStep);
  // The number the text stands for, or 0 when the text is not valid.
  int Value() const;
  void SetValue(int inValue);

  QColor BackColor() const { return mBackColor; }
  void SetBackColor(const QColor& inColour);
  QColor ForeColor() const;
  void SetForeColor(const QColor& inColour);
  bool Enabled() const { return mEnabled; }
  void SetEnabled(bool inEnabled);
  QFont Font() const;
  void SetFont(const QFont& inFont);
  TFBorderStyle BorderStyle() const;
  void SetBorderStyle(TFBorderStyle inStyle);
  TFAppearance Appearance() const { return mAppearance; }
  void SetAppearance(TFAppearance inAppearance);
  int WhatsThisHelpID() const { return mWhatsThisHelpID; }
  void SetWhatsThisHelpID(int inID);
  QString ToolTipText() const;
  void SetToolTipText(const QString& inText);
  QString Text() const;
  void SetText(const QString& inText);
  QString SelText() const;
  void SetSelText(const QString& inText);
  int SelStart() const;
  void SetSelStart(int inStart);
  int SelLength() const;
  void SetSelLength(int inLength);
  bool RightToLeft() const;
  void SetRightToLeft(bool inRightToLeft);
  QString PasswordChar() const { return mPasswordChar; }
  void SetPasswordChar(const QString& inChar);
  int OLEDropMode() const { return mOLEDropMode; }
  void SetOLEDropMode(int inMode) { mOLEDropMode = inMode; }
  int OLEDragMode() const { return mOLEDragMode; }
  void SetOLEDragMode(int inMode) { mOLEDragMode = inMode; }
  int MousePointer() const { return mMousePointer; }
  void SetMousePointer(int inPointer) { mMousePointer = inPointer; }
  QPixmap MouseIcon() const { return mMouseIcon; }
  void SetMouseIcon(const QPixmap& inIcon) { mMouseIcon = inIcon; }
  // 0 means no limit.
  int MaxLength() const;
  void SetMaxLength(int inLength);
  bool Locked() const;
  void SetLocked(bool inLocked);
  bool CausesValidation() const { return mCausesValidation; }
  void SetCausesValidation(bool inCauses) { mCausesValidation = inCauses; }
  Qt::Alignment Alignment() const;
  void SetAlignment(Qt::Alignment inAlignment);
  int ScrollBars() const { return 0; }
  bool HideSelection() const { return true; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  QLineEdit* TextBox() const { return mTxtBox; }
  QToolButton* UpButton() const { return mCmdUp; }
  QToolButton* DownButton() const { return mCmdDown; }

 signals:
  void UpButtonClicked();
  void DownButtonClicked();
  void Change();
  // A run-time error of the control, such as kOverflowError "Overflow" while stepping.
  void Error(int inNumber, const QString& inDescription);
  // An own property was set, so that a container knows to save it.
  void PropertyChanged(const QString& inName);

  // The line edit's events. Coordinates are pixels of the line edit; inButton and inShift are
  // the usual bit sets (1 left, 2 right, 4 middle; 1 Shift, 2 Ctrl, 4 Alt). A KeyPress handler may
  // change the character code, or set it to 0 to swallow the key.
  void Click();
  void DblClick();
  void KeyDown(int* ioKeyCode, int inShift);
  void KeyPress(int* ioKeyAscii);
  void KeyUp(int* ioKeyCode, int inShift);
  void MouseDown(int inButton, int inShift, double inX, double inY);
  void MouseMove(int inButton, int inShift, double inX, double inY);
  void MouseUp(int inButton, int inShift, double inX, double inY);

 protected:
  void resizeEvent(QResizeEvent* inEvent) override;
  bool eventFilter(QObject* inWatched, QEvent* inEvent) override;

 private:
  // The text read as a number of the current style, before the limits are applied.
  std::optional<std::int32_t> Parse() const;
  QString Format(std::int32_t inValue) const;
  // Colours the text box and enables the buttons after a change of the text, then emits Change.
  void UpdateState();
  void SetTextBoxColour(const QColor& inColour);
  void LayOut();
  void Step(int inDirection);
  bool TextBoxEvent(QEvent* inEvent);
  bool ButtonEvent(QToolButton* inButton, bool& ioFocusFlag, QEvent* inEvent);

  QLineEdit* mTxtBox = nullptr;
  QToolButton* mCmdUp = nullptr;
  QToolButton* mCmdDown = nullptr;

  TFStyle mStyle = LongInteger;
  int mUpperLimit = 0;
  int mLowerLimit = 0;
  bool mValueLimited = false;
  bool mUseColours = true;
  QColor mInvalidColour;
  QColor mValidColour;
  QColor mEmptyColour;
  bool mUseButtons = true;
  bool mStretchButtons = true;
  short mButtonStep = 1;

  QColor mBackColor;
  bool mEnabled = true;
  TFAppearance mAppearance = tf3D;
  int mWhatsThisHelpID = 0;
  QString mPasswordChar;
  int mOLEDropMode = 0;
  int mOLEDragMode = 0;
  int mMousePointer = 0;
  QPixmap mMouseIcon;
  bool mCausesValidation = true;

  // A button was pressed with the mouse, so its focus is not sent back at once.
  bool mUpFocusFlag = false;
  bool mDownFocusFlag = false;
  // A key event the control sends itself after a KeyPress handler changed the character.
  bool mResending = false;
};
