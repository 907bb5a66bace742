// quorixprefs: switches the recording of scripting errors in the event log on or off, through
// the Settings object of the settings component.
#include <objbase.h>

#include <QApplication>

#include "settings/prefs/OptionsForm.h"

int main(int argc, char* argv[]) {
  QApplication theApplication(argc, argv);
  CoInitialize(nullptr);
  int theResult = 0;
  {
    OptionsForm theForm;
    if (theForm.Load()) {
      theForm.show();
      theResult = QApplication::exec();
    }
  }
  CoUninitialize();
  return theResult;
}
