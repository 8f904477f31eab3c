#include "host.h"

#include "component/dispatch.h"
#include "component/errorinfo.h"
#include "component/events.h"
#include "component/factory.h"
#include "component/persist.h"
#include "component/registry.h"
#include "component/site.h"
#include "platform/codecs/codec.h"
#include "progress.h"
#include "tonwell_ids.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <optional>

namespace tonwellhost {

using namespace component;

namespace {

const QString kProgId = QStringLiteral("Tonwell.Tonwell");

// Set when the control could not be created because it is neither registered nor shipped here.
bool noLibrary = false;

void out(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

QString standardText(HRESULT hr) {
    switch (hr) {
    case CO_E_CLASSSTRING: return QStringLiteral("Invalid class string");
    case REGDB_E_CLASSNOTREG: return QStringLiteral("Class not registered");
    case CO_E_DLLNOTFOUND: return QStringLiteral("DLL could not be found");
    case CO_E_ERRORINDLL: return QStringLiteral("Error in the DLL");
    case CLASS_E_CLASSNOTAVAILABLE: return QStringLiteral("Class not available");
    case REGDB_E_WRITEREGDB: return QStringLiteral("Could not write key to registry");
    case E_NOTIMPL: return QStringLiteral("Not implemented");
    case E_NOINTERFACE: return QStringLiteral("No such interface supported");
    case DISP_E_TYPEMISMATCH: return QStringLiteral("Type mismatch");
    case DISP_E_OVERFLOW: return QStringLiteral("Out of present range");
    default: return QStringLiteral("Unspecified error");
    }
}

QString defaultModule() {
#ifdef TONWELL_MODULE_PATH
    return QStringLiteral(TONWELL_MODULE_PATH);
#else
    return QString();
#endif
}

// The control library that ships with this host: beside it, in the library folder of the prefix
// it is installed in, else the one of the build it comes from. Empty when none is there.
QString bundledModule() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {exeDir + QStringLiteral("/libtonwell.so"),
                                  exeDir + QStringLiteral("/../" TONWELL_LIBDIR "/libtonwell.so"),
                                  exeDir + QStringLiteral("/../lib/libtonwell.so"), defaultModule()};
    for (const QString& path : candidates)
        if (!path.isEmpty() && QFileInfo(path).isFile()) return QFileInfo(path).canonicalFilePath();
    return {};
}

// The library a new control comes from: the registered one when it is there, else the bundled one.
QString moduleInUse() {
    Registry registry;
    Guid clsid;
    if (SUCCEEDED(clsidFromProgId(kProgId, &clsid, registry))) {
        const auto path = registry.value(QStringLiteral("CLSID\\%1\\InprocServer32").arg(clsid.toString()));
        if (path && QFileInfo(*path).isFile()) return *path;
    }
    return bundledModule();
}

// "0x80042002 Not a valid wave audio file": the error info's description, or a plain text.
int failure(HRESULT hr) {
    QString text;
    if (auto info = getErrorInfo()) text = info->description;
    if (text.isEmpty()) text = standardText(hr);
    ProgressBar::clearLine();
    std::fprintf(stderr, "0x%08X %s\n", static_cast<unsigned>(hr), qPrintable(text));
    if (noLibrary)
        std::fputs(
            "Tonwell is not registered and no libtonwell.so ships with this host; register it with:\n"
            "  tonwell register /path/to/libtonwell.so\n",
            stderr);
    return 1;
}

class PrintingSink : public EventSink {
public:
    PrintingSink(const TypeInfo& info, std::function<void(DISPID, std::span<const Variant>)> then)
        : info_(info), then_(std::move(then)) {}
    void invoke(DISPID id, std::span<const Variant> args) override {
        const EventInfo* e = info_.event(id);
        QString line = e ? e->name : QString::number(id);
        for (const Variant& a : args) line += QLatin1Char(' ') + a.toString();
        ProgressBar::clearLine();
        out(line);
        if (then_) then_(id, args);
    }

private:
    const TypeInfo& info_;
    std::function<void(DISPID, std::span<const Variant>)> then_;
};

struct Control {
    std::shared_ptr<Unknown> object;
    Dispatch* dispatch = nullptr;

    // By ProgID through the registry; when the class is not registered, or its registered library
    // is gone, from the library that ships with this host.
    HRESULT create() {
        HRESULT hr = createInstance(kProgId, &object);
        if (hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG || hr == CO_E_DLLNOTFOUND) {
            if (const QString module = bundledModule(); !module.isEmpty())
                hr = createInstanceFromModule(module, tonwell::CLSID_Tonwell, &object);
            else
                noLibrary = true;
        }
        if (FAILED(hr)) return hr;
        dispatch = query<Dispatch>(object);
        if (!dispatch) return E_NOINTERFACE;
        if (auto* ole = query<OleObject>(object)) ole->setClientSite(std::make_shared<SimpleSite>(true));  // run mode
        if (auto* persist = query<PersistStreamInit>(object)) persist->initNew();
        return S_OK;
    }

    DISPID id(const char* name) const {
        DISPID d = DISPID_UNKNOWN;
        dispatch->idOfName(QLatin1String(name), &d);
        return d;
    }
    HRESULT get(const char* name, Variant* v) { return dispatch->get(id(name), v); }
    HRESULT put(const char* name, const Variant& v) { return dispatch->put(id(name), v); }
    HRESULT call(const char* name, std::initializer_list<Variant> args, Variant* result = nullptr) {
        return dispatch->call(id(name), std::span(args.begin(), args.size()), result);
    }
};

QString formatHex(const tonwell::WaveFormat& f) {
    const std::vector<std::uint8_t> b = f.toBytes();
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size())).toHex().toUpper());
}

// The named targets of `convert --to`.
std::optional<tonwell::WaveFormat> namedFormat(const QString& name) {
    using namespace tonwell;
    const std::uint16_t tag = name == QLatin1String("gsm")       ? WAVE_FORMAT_GSM610
                              : name == QLatin1String("alaw")    ? WAVE_FORMAT_ALAW
                              : name == QLatin1String("ulaw")    ? WAVE_FORMAT_MULAW
                              : name == QLatin1String("ima")     ? WAVE_FORMAT_IMA_ADPCM
                              : name == QLatin1String("mp3")     ? WAVE_FORMAT_MPEGLAYER3
                              : name == QLatin1String("pcm8k16") ? WAVE_FORMAT_PCM
                                                                 : 0;
    if (!tag) return std::nullopt;
    // The suggestion for 8 kHz 16-bit mono speech.
    WaveFormat f;
    f.tag = tag;
    if (CodecManager::instance().suggest(WaveFormat::pcm(8000, 16), &f, ACM_FORMATSUGGESTF_WFORMATTAG) !=
        MMSYSERR_NOERROR)
        return std::nullopt;
    return f;
}

int registration(bool add, const QStringList& args) {
    const QString module = QFileInfo(args.value(0, bundledModule())).absoluteFilePath();
    const HRESULT hr = add ? registerServer(module) : unregisterServer(module);
    if (FAILED(hr)) return failure(hr);
    out(QStringLiteral("%1 %2").arg(add ? QStringLiteral("Registered") : QStringLiteral("Unregistered"), module));
    return 0;
}

// Prints the path of the library that new controls come from.
int library() {
    const QString module = moduleInUse();
    if (module.isEmpty()) {
        noLibrary = true;
        return failure(CO_E_CLASSSTRING);
    }
    out(module);
    return 0;
}

int devices() {
    Control c;
    if (HRESULT hr = c.create(); FAILED(hr)) return failure(hr);
    for (const char* direction : {"Out", "In"}) {
        Variant count;
        const QByteArray numDevs = QByteArray("Wave") + direction + "NumDevs";
        if (HRESULT hr = c.get(numDevs.constData(), &count); FAILED(hr)) return failure(hr);
        for (int i = -1; i < count.i2(); ++i) {
            Variant name, caps;
            const QByteArray getName = QByteArray("Wave") + direction + "GetName";
            const QByteArray getCaps = QByteArray("Wave") + direction + "GetCaps";
            if (FAILED(c.call(getName.constData(), {Variant(std::int16_t(i))}, &name))) continue;
            c.call(getCaps.constData(), {Variant(std::int16_t(i))}, &caps);
            out(QStringLiteral("%1 %2: %3 (formats %4)")
                    .arg(QLatin1String(direction))
                    .arg(i)
                    .arg(name.bstr())
                    .arg(caps.i4()));
        }
    }
    return 0;
}

int formats() {
    Control c;
    if (HRESULT hr = c.create(); FAILED(hr)) return failure(hr);
    for (const EnumInfo& e : c.dispatch->typeInfo().enums) {
        if (e.name != QLatin1String("TonwellFormatConstants")) continue;
        for (const auto& item : e.items) out(QStringLiteral("%1 %2 %3").arg(item.name).arg(item.value).arg(item.help));
    }
    // Every driver's formats, with the text ConvertFormat takes for each.
    const tonwell::CodecManager& acm = tonwell::CodecManager::instance();
    for (const auto& d : acm.drivers())
        for (const tonwell::WaveFormat& f : d->formats())
            out(QStringLiteral("0x%1 %2: %3 %4")
                    .arg(f.tag, 4, 16, QLatin1Char('0'))
                    .arg(d->tagName(), d->describe(f), formatHex(f)));
    return 0;
}

int info(const QStringList& args) {
    if (args.size() != 1) {
        printUsage();
        return 2;
    }
    Control c;
    if (HRESULT hr = c.create(); FAILED(hr)) return failure(hr);
    if (HRESULT hr = c.put("PlayFilename", Variant(args[0])); FAILED(hr)) return failure(hr);
    Variant tag, attributes;
    c.get("PlayTag", &tag);
    c.get("PlayAttributes", &attributes);
    out(QStringLiteral("PlayTag: ") + tag.bstr());
    out(QStringLiteral("PlayAttributes: ") + attributes.bstr());
    return 0;
}

int play(const QStringList& args) {
    QString file;
    std::int32_t device = -1;
    std::optional<std::int16_t> volume, buffer;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto number = [&](bool* ok) { return i + 1 < args.size() ? args[++i].toInt(ok) : (*ok = false, 0); };
        bool ok = true;
        if (a == QLatin1String("--device"))
            device = number(&ok);
        else if (a == QLatin1String("--volume"))
            volume = static_cast<std::int16_t>(number(&ok));
        else if (a == QLatin1String("--buffer"))
            buffer = static_cast<std::int16_t>(number(&ok));
        else if (file.isEmpty() && !a.startsWith(QLatin1String("--")))
            file = a;
        else
            ok = false;
        if (!ok) {
            printUsage();
            return 2;
        }
    }
    if (file.isEmpty()) {
        printUsage();
        return 2;
    }
    Control c;
    if (HRESULT hr = c.create(); FAILED(hr)) return failure(hr);
    if (volume)
        if (HRESULT hr = c.put("PlayVolume", Variant(*volume)); FAILED(hr)) return failure(hr);
    if (buffer)
        if (HRESULT hr = c.put("PlayBufferLength", Variant(*buffer)); FAILED(hr)) return failure(hr);
    if (HRESULT hr = c.put("PlayFilename", Variant(file)); FAILED(hr)) return failure(hr);

    auto* source = query<EventSource>(c.object);
    auto sink = std::make_shared<PrintingSink>(c.dispatch->typeInfo(), [](DISPID id, std::span<const Variant>) {
        if (id == 1)  // DonePlay
            QCoreApplication::exit(0);
    });
    std::uint32_t cookie = 0;
    if (source) source->advise(sink, &cookie);

    ProgressBar progress(file);
    QTimer redraw;
    if (ProgressBar::onTerminal()) {
        QObject::connect(&redraw, &QTimer::timeout, [&] { progress.draw(); });
        redraw.start(200);
    }
    if (HRESULT hr = c.call("Play", {Variant(device)}); FAILED(hr)) return failure(hr);
    const int status = QCoreApplication::exec();
    redraw.stop();
    ProgressBar::clearLine();
    if (source) source->unadvise(cookie);
    return status;
}

int convert(const QStringList& args) {
    QStringList files;
    QString hex;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == QLatin1String("--format") || a == QLatin1String("--to")) && i + 1 < args.size()) {
            const QString value = args[++i];
            if (a == QLatin1String("--format")) {
                hex = value;
            } else if (const auto f = namedFormat(value)) {
                hex = formatHex(*f);
            } else {
                std::fprintf(stderr, "unknown format name %s (gsm, alaw, ulaw, ima, mp3, pcm8k16)\n",
                             qPrintable(value));
                return 2;
            }
        } else if (!a.startsWith(QLatin1String("--"))) {
            files << a;
        } else {
            files.clear();
            break;
        }
    }
    if (files.size() != 2 || hex.isEmpty()) {
        printUsage();
        return 2;
    }
    Control c;
    if (HRESULT hr = c.create(); FAILED(hr)) return failure(hr);
    if (HRESULT hr = c.put("ConvertFormat", Variant(hex)); FAILED(hr)) return failure(hr);
    Variant tag, attributes;
    c.get("ConvertTag", &tag);
    c.get("ConvertAttributes", &attributes);
    out(QStringLiteral("format %1 (%2, %3)").arg(hex, tag.bstr(), attributes.bstr()));

    int status = 1;
    auto* source = query<EventSource>(c.object);
    auto sink = std::make_shared<PrintingSink>(c.dispatch->typeInfo(), [&status](DISPID id, std::span<const Variant>) {
        status = id == 5 ? 0 : 1;  // ConvertDone, else ConvertError
        QCoreApplication::exit(0);
    });
    std::uint32_t cookie = 0;
    if (source) source->advise(sink, &cookie);
    const auto bytesPerSecond =
        tonwell::WaveFormat::fromBytes(
            std::span(reinterpret_cast<const std::uint8_t*>(QByteArray::fromHex(hex.toLatin1()).constData()),
                      static_cast<std::size_t>(hex.size() / 2)))
            .avgBytesPerSec;
    ConvertProgress progress(files[0], files[1], bytesPerSecond);
    QTimer redraw;
    if (ProgressBar::onTerminal()) {
        QObject::connect(&redraw, &QTimer::timeout, [&] { progress.draw(); });
        redraw.start(200);
    }
    if (HRESULT hr = c.call("Convert", {Variant(files[0]), Variant(files[1])}); FAILED(hr)) return failure(hr);
    QCoreApplication::exec();
    redraw.stop();
    ProgressBar::clearLine();
    if (source) source->unadvise(cookie);
    return status;
}

// Set by Ctrl-C; the host's event loop stops the recording when it sees it.
volatile std::sig_atomic_t g_interrupted = 0;

int record(const QStringList& args) {
    QString file;
    std::int32_t device = -1;
    std::optional<std::int32_t> format;
    std::optional<QString> userFormat;
    std::optional<double> seconds;
    std::optional<std::int16_t> level, silenceLevel, silenceTimer, buffer;
    bool deletion = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto next = [&](bool* ok) { return i + 1 < args.size() ? args[++i] : (*ok = false, QString()); };
        const auto number = [&](bool* ok) {
            const QString v = next(ok);
            return *ok ? v.toInt(ok) : 0;
        };
        const auto small = [&](bool* ok) {
            const int v = number(ok);
            *ok = *ok && v >= -32768 && v <= 32767;
            return static_cast<std::int16_t>(v);
        };
        bool ok = true;
        if (a == QLatin1String("--format"))
            format = number(&ok);
        else if (a == QLatin1String("--user-format"))
            userFormat = next(&ok);
        else if (a == QLatin1String("--seconds")) {
            const QString v = next(&ok);
            seconds = v.toDouble(&ok);
            ok = ok && *seconds >= 0;
        } else if (a == QLatin1String("--device"))
            device = number(&ok);
        else if (a == QLatin1String("--level"))
            level = small(&ok);
        else if (a == QLatin1String("--silence-level"))
            silenceLevel = small(&ok);
        else if (a == QLatin1String("--silence-timer"))
            silenceTimer = small(&ok);
        else if (a == QLatin1String("--buffer"))
            buffer = small(&ok);
        else if (a == QLatin1String("--silence-deletion"))
            deletion = true;
        else if (file.isEmpty() && !a.startsWith(QLatin1String("--")))
            file = a;
        else
            ok = false;
        if (!ok || (format && userFormat)) {
            printUsage();
            return 2;
        }
    }
    if (file.isEmpty()) {
        printUsage();
        return 2;
    }
    Control c;
    if (HRESULT hr = c.create(); FAILED(hr)) return failure(hr);
    const auto set = [&](const char* name, const Variant& v) { return c.put(name, v); };
    HRESULT hr = set("RecordFilename", Variant(file));
    if (SUCCEEDED(hr)) hr = set("RecordFormat", Variant(userFormat ? std::int32_t(256) : format.value_or(2)));
    if (SUCCEEDED(hr) && userFormat) hr = set("RecordUserFormat", Variant(*userFormat));
    if (SUCCEEDED(hr) && level) hr = set("RecordLevel", Variant(*level));
    if (SUCCEEDED(hr) && silenceLevel) hr = set("SilenceLevel", Variant(*silenceLevel));
    if (SUCCEEDED(hr) && silenceTimer) hr = set("SilenceTimer", Variant(*silenceTimer));
    if (SUCCEEDED(hr) && buffer) hr = set("RecordBufferLength", Variant(*buffer));
    if (SUCCEEDED(hr) && deletion) hr = set("SilenceDeletion", Variant(component::VARIANT_TRUE));
    if (FAILED(hr)) return failure(hr);

    const bool terminal = ProgressBar::onTerminal();
    LevelBar bar;
    auto* source = query<EventSource>(c.object);
    auto sink = std::make_shared<PrintingSink>(c.dispatch->typeInfo(), [&](DISPID id, std::span<const Variant> args) {
        if (id == 4 && terminal)  // VUChange: the record level
            bar.draw(args.size() == 2 ? args[1].i2() : 0);
        if (id == 2)  // DoneRecord
            QCoreApplication::exit(0);
    });
    std::uint32_t cookie = 0;
    if (source) source->advise(sink, &cookie);

    // Ctrl-C and the time limit stop the recording; DoneRecord then ends the host, the file valid.
    g_interrupted = 0;
    std::signal(SIGINT, [](int) { g_interrupted = 1; });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (g_interrupted) {
            g_interrupted = 0;
            c.call("StopRecord", {});
        }
    });
    watch.start(50);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] { c.call("StopRecord", {}); });
    if (seconds) limit.start(static_cast<int>(*seconds * 1000));

    if (HRESULT started = c.call("Record", {Variant(device)}); FAILED(started)) return failure(started);
    const int status = QCoreApplication::exec();
    std::signal(SIGINT, SIG_DFL);
    ProgressBar::clearLine();
    if (source) source->unadvise(cookie);
    return status;
}

}  // namespace

void printUsage() {
    std::fputs(
        "usage: tonwell register [MODULE] | unregister [MODULE] | library | devices | formats | info FILE |\n"
        "       play FILE [--device N] [--volume V] [--buffer L] |\n"
        "       convert IN OUT (--format HEX | --to gsm|alaw|ulaw|ima|mp3|pcm8k16) |\n"
        "       record FILE [--format N | --user-format HEX] [--seconds S] [--device N] [--level L]\n"
        "              [--silence-level L] [--silence-timer MS] [--silence-deletion] [--buffer N]\n",
        stderr);
}

int run(const QString& command, const QStringList& args) {
    if (command == QLatin1String("register")) return registration(true, args);
    if (command == QLatin1String("unregister")) return registration(false, args);
    if (command == QLatin1String("library")) return library();
    if (command == QLatin1String("devices")) return devices();
    if (command == QLatin1String("formats")) return formats();
    if (command == QLatin1String("info")) return info(args);
    if (command == QLatin1String("play")) return play(args);
    if (command == QLatin1String("convert")) return convert(args);
    if (command == QLatin1String("record")) return record(args);
    printUsage();
    return 2;
}

}  // namespace tonwellhost
