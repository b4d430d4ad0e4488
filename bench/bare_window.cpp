// The peer of the window figures: an empty QMainWindow of the window's design size with the same start-up probe.
#include "StartupProbe.h"

#include <QApplication>
#include <QMainWindow>

using namespace kestrune::app;

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.resize(600, 500);
    installStartupProbe(window);
    window.show();
    return application.exec();
}
