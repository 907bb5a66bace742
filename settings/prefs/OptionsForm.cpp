#include "settings/prefs/OptionsForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr char16_t kSettingsProgID[] = u"QuorixUtils2.Settings";
const char* const kCaption = "Quorix Settings";

// The wait cursor for the whole screen while the component is busy.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

OptionsForm::OptionsForm(QWidget* inParent) : QWidget(inParent) {
  setObjectName("OptionsForm");
  setWindowTitle(kCaption);
  QFont theFont("MS Sans Serif");
  theFont.setStyleHint(QFont::SansSerif);
  setFont(theFont);

  mFrame3 = new QGroupBox("Other Preferences", this);
  mFrame3->setObjectName("Frame3");
  mLogErr = new QCheckBox("Record all VBScript Errors as Warnings in Event Log", mFrame3);
  mLogErr->setObjectName("logerr");
  auto* theFrameLayout = new QVBoxLayout(mFrame3);
  theFrameLayout->addWidget(mLogErr);

  mOK = new QPushButton("OK", this);
  mOK->setObjectName("cmdOK");
  mOK->setDefault(true);
  mCancel = new QPushButton("Cancel", this);
  mCancel->setObjectName("cmdCancel");
  mApply = new QPushButton("Apply", this);
  mApply->setObjectName("cmdApply");

  // One row of buttons along the bottom edge: OK, Cancel, Apply.
  auto* theButtons = new QHBoxLayout;
  theButtons->addStretch(1);
  theButtons->addWidget(mOK);
  theButtons->addWidget(mCancel);
  theButtons->addWidget(mApply);
  auto* theLayout = new QVBoxLayout(this);
  theLayout->addWidget(mFrame3);
  theLayout->addStretch(1);
  theLayout->addLayout(theButtons);

  connect(mOK, &QPushButton::clicked, this, &OptionsForm::OnOK);
  connect(mCancel, &QPushButton::clicked, this, &QWidget::close);
  connect(mApply, &QPushButton::clicked, this, &OptionsForm::OnApply);
}

bool OptionsForm::Load() {
  adjustSize();
  if (const QScreen* theScreen = QApplication::primaryScreen()) {
    const QRect theArea = theScreen->geometry();
    move(theArea.x() + (theArea.width() - frameGeometry().width()) / 2,
         theArea.y() + (theArea.height() - frameGeometry().height()) / 2);
  }
  try {
    mSettings.Create(kSettingsProgID);
  } catch (const SettingsClient::Failure&) {
    QMessageBox theBox(QMessageBox::Critical, kCaption, "Unable to create QuorixUtils COM object", QMessageBox::Ok,
                       this);
    theBox.setObjectName("CreateFailedBox");
    theBox.exec();
    return false;
  }
  Refresh();
  return true;
}

template <class Action>
void OptionsForm::Guarded(Action&& inAction) {
  try {
    inAction();
  } catch (const SettingsClient::Failure& theFailure) {
    QMessageBox theBox(QMessageBox::Critical, kCaption, QString::fromUtf8(theFailure.what()), QMessageBox::Ok, this);
    theBox.setObjectName("ErrorBox");
    theBox.exec();
  }
}

void OptionsForm::Refresh() {
  Guarded([&] {
    const WaitCursor theWait;
    mLogErr->setChecked(mSettings.LogErrors());
  });
}

void OptionsForm::Save() {
  Guarded([&] {
    const WaitCursor theWait;
    mSettings.SetLogErrors(mLogErr->isChecked() ? 1 : 0);
  });
}

void OptionsForm::OnOK() {
  Save();
  close();
}

void OptionsForm::OnApply() {
  Save();
  Refresh();
}
