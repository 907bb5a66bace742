#include "tallyfield/demo/TallyfieldDemo.h"

#include <QFormLayout>
#include <QLabel>

#include "tallyfield/Tallyfield.h"

TallyfieldDemo::TallyfieldDemo(QWidget* inParent) : QWidget(inParent) {
  setWindowTitle(tr("Tallyfield"));
  auto* theLayout = new QFormLayout(this);

  mDecimal = new Tallyfield(this);
  mDecimal->setObjectName(QStringLiteral("decimal"));
  mDecimal->SetValue(42);
  theLayout->addRow(tr("Decimal:"), mDecimal);

  mLimitedDecimal = new Tallyfield(this);
  mLimitedDecimal->setObjectName(QStringLiteral("limitedDecimal"));
  mLimitedDecimal->SetLowerLimit(0);
  mLimitedDecimal->SetUpperLimit(10);
  mLimitedDecimal->SetValueLimited(true);
  mLimitedDecimal->SetValue(10);
  theLayout->addRow(tr("Decimal 0 to 10:"), mLimitedDecimal);

  mHexadecimal = new Tallyfield(this);
  mHexadecimal->setObjectName(QStringLiteral("hexadecimal"));
  mHexadecimal->SetStyle(Tallyfield::Hexadecimal);
  mHexadecimal->SetButtonStep(16);
  mHexadecimal->SetValue(255);
  theLayout->addRow(tr("Hexadecimal, step 16:"), mHexadecimal);

  mLimitedHexadecimal = new Tallyfield(this);
  mLimitedHexadecimal->setObjectName(QStringLiteral("limitedHexadecimal"));
  mLimitedHexadecimal->SetStyle(Tallyfield::Hexadecimal);
  mLimitedHexadecimal->SetLowerLimit(0);
  mLimitedHexadecimal->SetUpperLimit(0xFFFF);
  mLimitedHexadecimal->SetValueLimited(true);
  mLimitedHexadecimal->SetStretchButtons(false);
  mLimitedHexadecimal->SetValue(0x1000);
  theLayout->addRow(tr("Hexadecimal 0 to FFFF:"), mLimitedHexadecimal);

  auto* theHint = new QLabel(tr("Green: valid, red: invalid, blue: empty."), this);
  theLayout->addRow(theHint);
}
