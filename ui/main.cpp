// The desktop program's entry. The program reads no arguments.
#include "ui/startUp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    StartUp();
    return app.exec();
}
