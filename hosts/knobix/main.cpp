// knobix: a host of the Knobix round button, created by its ProgID.
//   knobix render [options] --out FILE   one button to a PNG file (off-screen)
//   knobix register [LIBRARY]            self-registration of the control library
//   knobix unregister [LIBRARY]
//   knobix                               the gallery window
#include "Gallery.h"
#include "KnobixHost.h"
#include "RenderCommand.h"

#include "component/factory.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (command == "register" || command == "unregister") {
        const QString library = argc > 2 ? QString::fromLocal8Bit(argv[2]) : knobixhost::defaultLibrary();
        const component::HRESULT hr =
            command == "register" ? component::registerServer(library) : component::unregisterServer(library);
        if (component::FAILED(hr)) {
            std::fprintf(stderr, "knobix %s %s: %s\n", qPrintable(command), qPrintable(library),
                         qPrintable(knobixhost::describe(hr)));
            return 1;
        }
        return 0;
    }
    // A rendering needs no display.
    if (command == "render" && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (command == "render") {
        QStringList args = QApplication::arguments();
        args.removeAt(1);  // the parser sees the program name and the options
        return knobixhost::runRender(args);
    }
    if (!command.isEmpty()) {
        std::fprintf(stderr, "usage: knobix [render OPTIONS --out FILE | register [LIBRARY] | unregister [LIBRARY]]\n");
        return 2;
    }
    return knobixhost::runGallery();
}
