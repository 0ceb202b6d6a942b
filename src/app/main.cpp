#include "app/KovaraApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    KovaraApp::configure(application);
    KovaraApp kovara;
    return kovara.run(QApplication::arguments().mid(1));
}
