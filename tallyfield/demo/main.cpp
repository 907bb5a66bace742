// tallyfielddemo: shows the numeric entry control in both styles, limited and unlimited.
#include <QApplication>

#include "tallyfield/demo/TallyfieldDemo.h"

int main(int argc, char* argv[]) {
  QApplication theApp(argc, argv);
  TallyfieldDemo theDemo;
  theDemo.show();
  return theApp.exec();
}
