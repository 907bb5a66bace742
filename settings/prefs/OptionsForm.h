// The settings program's one form: the option that records scripting errors as warnings in the
// event log, and OK, Cancel and Apply. The form keeps the Settings object of the settings
// component for as long as it lives and changes the preference only through it.
#pragma once

#include <QWidget>

#include "settings/prefs/SettingsClient.h"

class QCheckBox;
class QGroupBox;
class QPushButton;

class OptionsForm : public QWidget {
  Q_OBJECT

 public:
  explicit OptionsForm(QWidget* inParent = nullptr);

  // Centres the form on the screen, creates the Settings object and shows its state. Without the
  // component it shows the critical message "Unable to create QuorixUtils COM object" and
  // returns false: the program then ends.
  bool Load();

  QCheckBox* LogErrorsBox() const { return mLogErr; }

 public slots:
  // Reads LogErrors into the check box, under the wait cursor.
  void Refresh();
  // Writes the check box into LogErrors, under the wait cursor.
  void Save();

 private slots:
  void OnOK();
  void OnApply();

 private:
  // Runs inAction; a failure of the component is shown in the program's error dialog.
  template <class Action>
  void Guarded(Action&& inAction);

  SettingsClient mSettings;
  QGroupBox* mFrame3 = nullptr;
  QCheckBox* mLogErr = nullptr;
  QPushButton* mOK = nullptr;
  QPushButton* mCancel = nullptr;
  QPushButton* mApply = nullptr;
};
