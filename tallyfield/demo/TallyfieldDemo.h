// The demonstration form: Tallyfield in both styles, with and without limits.
#pragma once

#include <QWidget>

class Tallyfield;

class TallyfieldDemo : public QWidget {
  Q_OBJECT

 public:
  explicit TallyfieldDemo(QWidget* inParent = nullptr);

  Tallyfield* DecimalField() const { return mDecimal; }
  Tallyfield* LimitedDecimalField() const { return mLimitedDecimal; }
  Tallyfield* HexadecimalField() const { return mHexadecimal; }
  Tallyfield* LimitedHexadecimalField() const { return mLimitedHexadecimal; }

 private:
  Tallyfield* mDecimal = nullptr;
  Tallyfield* mLimitedDecimal = nullptr;
  Tallyfield* mHexadecimal = nullptr;
  Tallyfield* mLimitedHexadecimal = nullptr;
};
