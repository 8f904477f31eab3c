// tonwell: a command-line host of the Tonwell control, created by ProgID through the registry,
// else from the libtonwell.so that ships with the host (beside it, in its prefix's library folder,
// or in the build it comes from), so that it runs without a registration step.
//
//   tonwell register [MODULE]      self-registration of the control library (default: the shipped one)
//   tonwell unregister [MODULE]
//   tonwell library                the path of the library new controls come from
//   tonwell devices                output and input devices with their format bits
//   tonwell formats                the record format constants and every codec driver's formats
//                                  with the ConvertFormat text of each
//   tonwell info FILE              PlayTag and PlayAttributes of a wave file
//   tonwell play FILE [--device N] [--volume V] [--buffer L]
//   tonwell convert IN OUT (--format HEX | --to gsm|alaw|ulaw|ima|mp3|pcm8k16)
//                                  converts IN; prints the format used, then ConvertDone (exit 0)
//                                  or "ConvertError CODE TEXT" (exit 1)
//   tonwell record FILE [--format N | --user-format HEX] [--seconds S] [--device N] [--level L]
//                  [--silence-level L] [--silence-timer MS] [--silence-deletion] [--buffer N]
//                                  records until S seconds have passed or Ctrl-C (StopRecord),
//                                  with a level bar on a terminal; exit 0 after DoneRecord
//
// Events are printed one a line as they arrive ("VUChange 12 0", "DonePlay"); a failure is
// printed on stderr as "0x80042002 Not a valid wave audio file" and the exit status is 1.
#include "host.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        tonwellhost::printUsage();
        return 2;
    }
    const QString command = args.takeFirst();
    return tonwellhost::run(command, args);
}
