// The settings program's form, driven through Qt Test on the offscreen platform against the real
// settings component registered in a platform root of the test's own.
#include <objbase.h>
#include <winreg.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "TestRoot.h"
#include "runtime/Preferences.h"
#include "settings/prefs/OptionsForm.h"

namespace {

bool RegisterComponent() {
  const std::string theCommand = BinaryPath("bin/qxregsvr32") + " /s " + BinaryPath("lib/libquorixutils.so");
  return std::system(theCommand.c_str()) == 0;
}

// The text of the message box the form shows next, closed as soon as it appears.
struct MessageWatch {
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  void Arm() {
    QTimer::singleShot(0, [this] {
      if (auto* theBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = theBox->text();
        icon = theBox->icon();
        theBox->accept();
      }
    });
  }
};

template <class T>
T* Child(QWidget& inForm, const char* inName) {
  return inForm.findChild<T*>(inName);
}

}  // namespace

class OptionsFormTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    // The child of the read-only case works in its parent's root.
    if (qgetenv("QX_PREFS_READ_ONLY_CASE") == "1") return;
    mRoot = std::make_unique<TestRoot>();
    QVERIFY(RegisterComponent());
  }
  void cleanup() { mRoot.reset(); }

  void controlsCaptionsAndOrder() {
    OptionsForm theForm;
    QVERIFY(theForm.Load());
    theForm.show();
    QCOMPARE(theForm.objectName(), QString("OptionsForm"));
    QCOMPARE(theForm.windowTitle(), QString("Quorix Settings"));
    auto* theFrame = Child<QGroupBox>(theForm, "Frame3");
    auto* theBox = Child<QCheckBox>(theForm, "logerr");
    auto* theOK = Child<QPushButton>(theForm, "cmdOK");
    auto* theCancel = Child<QPushButton>(theForm, "cmdCancel");
    auto* theApply = Child<QPushButton>(theForm, "cmdApply");
    QVERIFY(theFrame && theBox && theOK && theCancel && theApply);
    QCOMPARE(theFrame->title(), QString("Other Preferences"));
    QCOMPARE(theBox->text(), QString("Record all VBScript Errors as Warnings in Event Log"));
    QCOMPARE(theBox->parentWidget(), theFrame);
    QCOMPARE(theOK->text(), QString("OK"));
    QCOMPARE(theCancel->text(), QString("Cancel"));
    QCOMPARE(theApply->text(), QString("Apply"));
    // One row along the bottom, OK, Cancel, Apply from left to right, below the frame.
    QCOMPARE(theOK->y(), theCancel->y());
    QCOMPARE(theCancel->y(), theApply->y());
    QVERIFY(theOK->x() < theCancel->x() && theCancel->x() < theApply->x());
    QVERIFY(theOK->y() >= theFrame->geometry().bottom());
    // Centred on the screen (within the window frame, which the platform adds when it shows it).
    const QRect theScreen = QApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(theForm.frameGeometry().center().x() - theScreen.center().x()) <= 4);
    QVERIFY(qAbs(theForm.frameGeometry().center().y() - theScreen.center().y()) <= 4);
  }

  void applySavesAndRefreshes() {
    OptionsForm theForm;
    QVERIFY(theForm.Load());
    theForm.show();
    QVERIFY(!theForm.LogErrorsBox()->isChecked());
    theForm.LogErrorsBox()->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(theForm, "cmdApply"), Qt::LeftButton);
    QCOMPARE(GetPrefLong("LogErrors", 7), DWORD{1});
    QVERIFY(theForm.LogErrorsBox()->isChecked());
    QVERIFY(theForm.isVisible());
    // A value changed by someone else shows after the next Apply's refresh.
    SetPrefLong("LogErrors", 0);
    theForm.LogErrorsBox()->setChecked(false);
    QTest::mouseClick(Child<QPushButton>(theForm, "cmdApply"), Qt::LeftButton);
    QVERIFY(!theForm.LogErrorsBox()->isChecked());
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  void okSavesAndCloses() {
    OptionsForm theForm;
    QVERIFY(theForm.Load());
    theForm.show();
    theForm.LogErrorsBox()->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(theForm, "cmdOK"), Qt::LeftButton);
    QCOMPARE(GetPrefLong("LogErrors", 7), DWORD{1});
    QVERIFY(!theForm.isVisible());
  }

  void cancelLeavesThePreference() {
    SetPrefLong("LogErrors", 1);
    OptionsForm theForm;
    QVERIFY(theForm.Load());
    theForm.show();
    QVERIFY(theForm.LogErrorsBox()->isChecked());
    theForm.LogErrorsBox()->setChecked(false);
    QTest::mouseClick(Child<QPushButton>(theForm, "cmdCancel"), Qt::LeftButton);
    QCOMPARE(GetPrefLong("LogErrors", 7), DWORD{1});
    QVERIFY(!theForm.isVisible());
  }

  void withoutTheComponentTheMessageShows() {
    mRoot = std::make_unique<TestRoot>();  // a fresh root: nothing registered
    OptionsForm theForm;
    MessageWatch theWatch;
    theWatch.Arm();
    QVERIFY(!theForm.Load());
    QCOMPARE(theWatch.text, QString("Unable to create QuorixUtils COM object"));
    QCOMPARE(theWatch.icon, QMessageBox::Critical);
  }

  // A user who may not write the store: Apply's write is refused and the refresh clears the box.
  // The case runs in a child of this program that has become the user nobody.
  void applyAgainstAReadOnlyStoreClearsTheBoxAgain() {
    if (::geteuid() != 0) QSKIP("needs root to run a child as nobody");
    SetPrefLong("LogErrors", 0);
    ::chmod(mRoot->Path().c_str(), 0755);
    for (const auto& theEntry : std::filesystem::directory_iterator(mRoot->Path()))
      ::chmod(theEntry.path().c_str(), 0644);
    const pid_t theChild = ::fork();
    QVERIFY(theChild >= 0);
    if (theChild == 0) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(126);
      const std::string theProgram = QCoreApplication::applicationFilePath().toStdString();
      ::setenv("QX_PREFS_READ_ONLY_CASE", "1", 1);
      ::execl(theProgram.c_str(), theProgram.c_str(), "-platform", "offscreen", "readOnlyStoreCase", nullptr);
      ::_exit(127);
    }
    int theStatus = 0;
    ::waitpid(theChild, &theStatus, 0);
    if (WIFEXITED(theStatus) && (WEXITSTATUS(theStatus) == 126 || WEXITSTATUS(theStatus) == 127))
      QSKIP("nobody may not run this program from this build folder");
    QVERIFY(WIFEXITED(theStatus));
    QCOMPARE(WEXITSTATUS(theStatus), 0);
    QCOMPARE(GetPrefLong("LogErrors", 7), DWORD{0});
  }

  // Run only in the child of the case above.
  void readOnlyStoreCase() {
    if (qgetenv("QX_PREFS_READ_ONLY_CASE") != "1") QSKIP("runs only as part of the read-only store case");
    OptionsForm theForm;
    MessageWatch theWatch;  // closes a message box rather than waiting for a click
    theWatch.Arm();
    QVERIFY2(theForm.Load(), qPrintable(theWatch.text));
    theForm.show();
    QVERIFY(!theForm.LogErrorsBox()->isChecked());
    theForm.LogErrorsBox()->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(theForm, "cmdApply"), Qt::LeftButton);
    QVERIFY(!theForm.LogErrorsBox()->isChecked());
  }

 private:
  std::unique_ptr<TestRoot> mRoot;
};

int main(int argc, char* argv[]) {
  QApplication theApplication(argc, argv);
  CoInitialize(nullptr);
  OptionsFormTest theTest;
  const int theResult = QTest::qExec(&theTest, argc, argv);
  CoUninitialize();
  return theResult;
}

#include "OptionsFormTest.moc"
