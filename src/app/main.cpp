// fapkalk: price calculator after the Austrian medicine price tariff of 2012.
#include "app/StartProgram.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    return fapkalk::StartProgram(QApplication::arguments());
}
