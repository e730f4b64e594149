// The desktop program's entry. The program reads no arguments.
#include "desktop/startUp.h"

#include <QApplication>

namespace {

constexpr int kStartUpFailed = 1;

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!StartUpGuarded())
        return kStartUpFailed; // the reason was shown
    return app.exec();
}
