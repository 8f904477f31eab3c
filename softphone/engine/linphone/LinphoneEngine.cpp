#include "LinphoneEngine.h"

#include "LinphoneSecurity.h"
#include "NetworkProbe.h"
#include "SipTrace.h"

#include <linphone/api/c-account-params.h>
#include <linphone/api/c-account.h>
#include <linphone/api/c-address.h>
#include <linphone/api/c-auth-info.h>
#include <linphone/factory.h>
#include <linphone/im_encryption_engine.h>
#include <linphone/logging.h>

#include <bctoolbox/crypto.h>
#include <bctoolbox/logging.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

namespace velmora::engine {
namespace {

LinphoneEngine* engineOf(LinphoneCore* core) { return static_cast<LinphoneEngine*>(linphone_core_get_user_data(core)); }

void registrationChanged(LinphoneCore* core, LinphoneAccount* account, LinphoneRegistrationState state, const char*) {
    if (auto* engine = engineOf(core)) engine->onRegistration(account, state);
}
void callStateChanged(LinphoneCore* core, LinphoneCall* call, LinphoneCallState state, const char*) {
    if (auto* engine = engineOf(core)) engine->onCallState(call, state);
}
void transferStateChanged(LinphoneCore* core, LinphoneCall* call, LinphoneCallState state) {
    if (auto* engine = engineOf(core)) engine->onTransferState(call, state);
}
void dtmfReceived(LinphoneCore* core, LinphoneCall* call, int digit) {
    if (auto* engine = engineOf(core)) engine->onDtmf(call, digit);
}
void subscriptionRequested(LinphoneCore* core, LinphoneFriend* subscriber, const char*) {
    if (auto* engine = engineOf(core)) engine->onSubscriptionRequested(subscriber);
}
void presenceReceived(LinphoneCore* core, LinphoneFriend* changed) {
    if (auto* engine = engineOf(core)) engine->onPresence(changed);
}
void messageReceived(LinphoneCore* core, LinphoneChatRoom*, LinphoneChatMessage* message) {
    if (auto* engine = engineOf(core)) engine->onChatMessage(message);
}
// liblinphone asks its message encryption engine about every received
// message before it takes it; a code above 0 refuses the MESSAGE with it.
int screenIncomingMessage(LinphoneImEncryptionEngine* screen, LinphoneChatRoom*, LinphoneChatMessage* message) {
    auto* engine = engineOf(linphone_im_encryption_engine_get_core(screen));
    return engine ? engine->screenChatMessage(message) : 403;
}

// The digest HA1 of the credentials, MD5(user:realm:password) in hex: given
// to liblinphone instead of the password, it answers only challenges in that
// realm (liblinphone offers a password-only entry to any realm as a fallback).
std::string digestHa1(const std::string& user, const std::string& realm, const std::string& password) {
    const std::string text = user + ":" + realm + ":" + password;
    std::uint8_t hash[16];
    bctbx_md5(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), hash);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (const std::uint8_t b : hash) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

const char* encryptionName(MediaEncryption encryption) {
    switch (encryption) {
    case MediaEncryption::Srtp: return "srtp";
    case MediaEncryption::SrtpMandatory: return "srtp-mandatory";
    case MediaEncryption::Zrtp: return "zrtp";
    default: return "none";
    }
}

// "host:port" of the proxy override, or the host of an outbound proxy text.
std::string hostOf(const std::string& hostPort) {
    std::string host = hostPort;
    if (host.rfind("sip:", 0) == 0) host.erase(0, 4);
    const auto colon = host.find(':');
    if (colon != std::string::npos) host.erase(colon);
    return host;
}

void discardLog(const char*, BctbxLogLevel, const char*, va_list) {}

// The levels the engine's log file takes. The engine keeps belle-sip's
// message level on for its trace of received requests (SipTrace): that must
// not reach the file.
std::atomic<unsigned> fileLevels{0};

void filteredFileLog(void* fileHandler, const char* domain, BctbxLogLevel level, const char* format, va_list args) {
    if ((unsigned(level) & fileLevels.load()) == 0) return;
    auto* handler = static_cast<bctbx_log_handler_t*>(fileHandler);
    bctbx_logv_file(bctbx_log_handler_get_user_data(handler), domain, level, format, args);
}

void destroyFilteredFileLog(bctbx_log_handler_t* filter) {
    bctbx_logv_file_destroy(static_cast<bctbx_log_handler_t*>(bctbx_log_handler_get_user_data(filter)));
    bctbx_logv_out_destroy(filter);
}

// liblinphone, belle-sip and mediastreamer log through bctoolbox, whose
// default handler writes to standard output: it is silenced, and their log
// goes to the engine's log file alone (nothing without one). Every core
// creation puts liblinphone's own choice of that default handler back, so
// the choice is made through liblinphone's (old) setter, not bctoolbox's. Warnings and
// errors only, unless fullLog asks for everything, every SIP message
// included. Logging is the process's: a file handler is added once per file,
// or each line would be written once per engine created.
void configureLogging(const std::filesystem::path& logFile, bool fullLog) {
    static bctbx_log_handler_t* fileHandler = nullptr;
    static std::filesystem::path currentFile;
    LinphoneLoggingService* service = linphone_logging_service_get();
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    linphone_core_set_log_handler(discardLog);
#pragma GCC diagnostic pop
    if (logFile != currentFile) {
        if (fileHandler) bctbx_remove_log_handler(fileHandler);  // frees it
        fileHandler = nullptr;
        currentFile = logFile;
        if (!logFile.empty()) {
            std::error_code ignored;
            std::filesystem::create_directories(logFile.parent_path(), ignored);
            // Readable by the user alone, whatever the process's umask: it
            // holds numbers and addresses.
            const int fd = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (fd >= 0) {
                ::fchmod(fd, 0600);
                ::close(fd);
            }
            bctbx_log_handler_t* file = bctbx_create_file_log_handler(16 * 1024 * 1024, logFile.parent_path().c_str(),
                                                                      logFile.filename().c_str());
            if (file) fileHandler = bctbx_create_log_handler(filteredFileLog, destroyFilteredFileLog, file);
            if (fileHandler) bctbx_add_log_handler(fileHandler);
        }
    }
    unsigned int mask = LinphoneLogLevelWarning | LinphoneLogLevelError | LinphoneLogLevelFatal;
    if (fullLog) mask |= LinphoneLogLevelMessage;
    fileLevels = mask;
    linphone_logging_service_set_log_level_mask(service, mask);
    installTlsWatch();
}

const char* transportName(SipTransport transport) {
    switch (transport) {
    case SipTransport::Tcp: return "tcp";
    case SipTransport::Tls: return "tls";
    default: return "udp";
    }
}

}  // namespace

LinphoneEngine::LinphoneEngine(loop::EventLoop& loop, LinphoneEngineOptions options)
    : loop_(loop), options_(std::move(options)) {
    if (options_.stateFolder.empty())
        options_.stateFolder = std::filesystem::temp_directory_path() / "velmora-linphone";
    configureLogging(options_.logFile, options_.fullLog);
    timer_ = loop_.startTimer(options_.iterateIntervalMs, [this] { pump(); });
}

LinphoneEngine::~LinphoneEngine() {
    alive_.reset();
    loop_.stopTimer(timer_);
    setEvents(nullptr);
    if (core_) {
        linphone_core_terminate_all_calls(core_);
        waitForUnregistration();
        releaseCore();
    }
}

void LinphoneEngine::hurry() {
    busyUntil_ = loop_.tickCount() + static_cast<std::uint32_t>(options_.busyPeriodMs);
    // What an operation asked for goes out now, not at the next tick (an
    // account change, for one, is only acted on by iterate). From inside
    // iterate the next tick comes soon enough, and the delivery goes first.
    if (!iterating_ && !pumpPosted_) {
        pumpPosted_ = true;
        loop_.post([this, alive = std::weak_ptr<bool>(alive_)] {
            if (alive.expired()) return;
            pumpPosted_ = false;
            pump();
        });
    }
    if (busy_) return;
    busy_ = true;
    loop_.stopTimer(timer_);
    timer_ = loop_.startTimer(options_.busyIterateIntervalMs, [this] { pump(); });
}

void LinphoneEngine::pump() {
    if (busy_ && static_cast<std::int32_t>(loop_.tickCount() - busyUntil_) > 0) {
        busy_ = false;
        loop_.stopTimer(timer_);
        timer_ = loop_.startTimer(options_.iterateIntervalMs, [this] { pump(); });
    }
    // Never inside itself (the unregistration wait of ShutdownEngine iterates
    // too), and events only ever from the posted delivery.
    if (!iterating_ && core_) {
        iterating_ = true;
        useFreeLinePortForOffers();
        watchReceivedRequests();  // liblinphone may have reset belle-sip's levels
        linphone_core_iterate(core_);
        acceptReplacements();
        endStrayCalls();
        checkForeignChallenges();
        checkPresenceWatchers();
        checkAnswerTimeouts();
        checkTransfers();
        checkDeclinedReferral();
        checkPlaybackEnds();
        checkContactSubscriptions();
        registration_.check(account_.get(), loop_.tickCount(), options_.registerTimeoutSeconds);
        iterating_ = false;
    }
    scheduleDelivery();
}

void LinphoneEngine::scheduleDelivery() {
    if (pending_.empty() || deliveryPosted_) return;
    deliveryPosted_ = true;
    loop_.post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired()) return;
        deliveryPosted_ = false;
        deliver();
    });
}

void LinphoneEngine::deliver() {
    while (!pending_.empty()) {
        Event event = std::move(pending_.front());
        pending_.pop_front();
        if (SipEngineEvents* sink = events()) event(*sink);
    }
}

bool LinphoneEngine::InitializeEngine(bool, std::string& localAddress, long sipPort, const std::string& userName,
                                      const std::string& authLogin, const std::string& authPassword,
                                      const std::string& displayName, const std::string& outboundProxy,
                                      const std::string& sipProxy, const std::string&, bool captureDevice,
                                      long lineCount) {
    // Starting again (a going online that stopped half-way, then a retry)
    // replaces the running core quietly.
    if (core_) {
        linphone_core_terminate_all_calls(core_);
        releaseCore();
    }
    if (sipPort <= 0 || sipPort > 65535 || lineCount <= 0 || lineCount > 64) return fail(kInvalidValue);
    if (userName.empty() || sipProxy.empty()) return fail(kInvalidUri);

    LinphoneFactory* factory = linphone_factory_get();
    LinphoneAddress* identity = linphone_factory_create_address(factory, ("sip:" + sipProxy).c_str());
    if (!identity) return fail(kInvalidUri);
    linphone_address_set_username(identity, userName.c_str());
    if (!displayName.empty()) linphone_address_set_display_name(identity, displayName.c_str());

    const std::string server =
        !options_.proxyAddress.empty() ? options_.proxyAddress : (!outboundProxy.empty() ? outboundProxy : sipProxy);
    const std::string serverText = server.rfind("sip:", 0) == 0 ? server.substr(4) : server;
    LinphoneAddress* serverAddress = linphone_factory_create_address(
        factory, ("sip:" + serverText + ";transport=" + transportName(options_.transport)).c_str());
    if (!serverAddress) {
        linphone_address_unref(identity);
        return fail(kInvalidUri);
    }
    const bool udp = options_.transport == SipTransport::Udp;
    const bool portFree = sipPortClaim_.claim(udp ? "udp" : "tcp", static_cast<int>(sipPort)) &&
                          (udp ? udpPortFree(static_cast<int>(sipPort)) : tcpPortFree(static_cast<int>(sipPort)));
    if (!portFree) {
        sipPortClaim_.release();
        linphone_address_unref(identity);
        linphone_address_unref(serverAddress);
        return fail(kPortInUse);
    }

    serverHost_ = linphone_address_get_domain(serverAddress) ? linphone_address_get_domain(serverAddress) : "";
    proxy_ = proxyFromAddress(serverText, options_.transport == SipTransport::Tls);
    securityProblem_ = options_.transport == SipTransport::Tls ? tlsProblem() : std::string();
    // SDES keys travel inside the SIP messages: over plain UDP or TCP anyone
    // on the path would read them.
    if (options_.transport != SipTransport::Tls && (options_.mediaEncryption == MediaEncryption::Srtp ||
                                                    options_.mediaEncryption == MediaEncryption::SrtpMandatory))
        securityProblem_ =
            std::string("MediaEncryption=") + encryptionName(options_.mediaEncryption) + " needs Transport=tls";
    handshakeFailuresSeen_ = tlsHandshakeFailures();  // other engines' failures are theirs
    long problem = startCore(sipPort);
    const std::string realm = options_.authRealm.empty() ? sipProxy : options_.authRealm;
    authRealm_ = realm;
    if (problem == kNoError && !addAccount(identity, serverAddress, userName, authLogin, authPassword, realm))
        problem = kRegisterRequestFailed;
    linphone_address_unref(identity);
    linphone_address_unref(serverAddress);
    if (problem != kNoError) {
        releaseCore();
        return fail(problem);
    }

    domain_ = sipProxy;
    captureDevice_ = captureDevice;
    lines_.clear();
    lines_.resize(static_cast<std::size_t>(lineCount));
    registration_.forget();
    // What a run that ended without its shutdown (a crash) recorded and did
    // not save is kept apart now, before any call of this run records.
    CallRecording::keepLeftBehind(recordingFolder());
    applyProductTag();
    applyCodecs();
    applyAllCallAudio();

    localAddress = localAddressTowards(hostOf(server));
    return ok();
}

// A core of liblinphone listening on the SIP port, set up for this program:
// two independent lines, no video, digits as RFC 2833 events. A core that
// cannot start could not bind its port (11).
long LinphoneEngine::startCore(long sipPort) {
    LinphoneFactory* factory = linphone_factory_get();
    // liblinphone's files, and an empty plugin folder: Debian's plugins are
    // video ones, and one of them would load Qt 5 into this process.
    std::error_code ignored;
    const auto plugins = options_.stateFolder / "plugins";
    std::filesystem::create_directories(plugins, ignored);
    linphone_factory_set_msplugins_dir(factory, plugins.c_str());
    // liblinphone appends its file names to these as they are: they end with "/".
    const std::string folder = (options_.stateFolder / "").string();
    linphone_factory_set_data_dir(factory, folder.c_str());
    linphone_factory_set_config_dir(factory, folder.c_str());
    const auto configFile = options_.stateFolder / "linphonerc";
    std::filesystem::remove(configFile, ignored);  // every start from the given values only

    LinphoneCoreCbs* callbacks = linphone_factory_create_core_cbs(factory);
    linphone_core_cbs_set_account_registration_state_changed(callbacks, registrationChanged);
    linphone_core_cbs_set_call_state_changed(callbacks, callStateChanged);
    linphone_core_cbs_set_transfer_state_changed(callbacks, transferStateChanged);
    linphone_core_cbs_set_dtmf_received(callbacks, dtmfReceived);
    linphone_core_cbs_set_message_received(callbacks, messageReceived);
    linphone_core_cbs_set_new_subscription_requested(callbacks, subscriptionRequested);
    linphone_core_cbs_set_notify_presence_received(callbacks, presenceReceived);
    core_ = linphone_factory_create_core_3(factory, configFile.c_str(), nullptr, nullptr);
    if (!core_) {
        linphone_core_cbs_unref(callbacks);
        return kNoNetwork;
    }
    linphone_core_set_user_data(core_, this);
    linphone_core_add_callbacks(core_, callbacks);
    linphone_core_cbs_unref(callbacks);

    LinphoneConfig* config = linphone_core_get_config(core_);
    linphone_config_set_string(config, "storage", "uri", (options_.stateFolder / "linphone.db").c_str());
    // Offered calls wait in the program's list until taken, refused or 60 s
    // old: room for a burst of them beside the two lines, and still a bound.
    linphone_config_set_int(config, "misc", "max_calls", 64);
    // Callers are told busy only by the program's own choice: liblinphone
    // would answer 486 to a second caller with the same address (every
    // withheld number, every call from one trunk) while the first is up.
    linphone_config_set_int(config, "sip", "reject_duplicated_calls", 0);
    // The password lives in memory only: liblinphone writes no credentials
    // into its configuration file.
    linphone_config_set_int(config, "sip", "store_auth_info", 0);
    // Keep-alives hold the NAT binding towards the proxy open; liblinphone
    // reads their period when the core starts.
    linphone_config_set_int(config, "sip", "keepalive_period", static_cast<int>(keepAliveSeconds_ * 1000));
    // A call that replaces one of ours is the engine's to take or refuse
    // (only through the proxy, only for a line's call), never liblinphone's.
    linphone_config_set_int(config, "sip", "auto_answer_replacing_calls", 0);
    // Presence is taken only in the subscriptions the engine made.
    linphone_config_set_int(config, "sip", "allow_out_of_subscribe_presence", 0);

    linphone_core_enable_ipv6(core_, FALSE);  // the machines report unreachable IPv6 addresses
    // A GRUU contact only works behind a proxy that routes it; the plain
    // address:port contact works behind every one.
    linphone_core_remove_supported_tag(core_, "gruu");
    // One transport, listening on the SIP port.
    const int port = static_cast<int>(sipPort);
    LinphoneTransports* transports = linphone_factory_create_transports(factory);
    linphone_transports_set_udp_port(transports, options_.transport == SipTransport::Udp ? port : 0);
    linphone_transports_set_tcp_port(transports, options_.transport == SipTransport::Tcp ? port : 0);
    linphone_transports_set_tls_port(transports, options_.transport == SipTransport::Tls ? port : 0);
    linphone_transports_set_dtls_port(transports, 0);
    linphone_core_set_transports(core_, transports);
    linphone_transports_unref(transports);
    applyTlsChecks();

    linphone_core_enable_video_capture(core_, FALSE);
    linphone_core_enable_video_display(core_, FALSE);
    linphone_core_set_use_files(core_, options_.headlessAudio ? TRUE : FALSE);
    if (options_.headlessAudio && !options_.headlessMicrophoneFile.empty())
        linphone_core_set_play_file(core_, options_.headlessMicrophoneFile.c_str());
    if (options_.headlessAudio && !options_.headlessSpeakerFile.empty())
        linphone_core_set_record_file(core_, options_.headlessSpeakerFile.c_str());
    // Two independent lines: a new call never pauses the other line's call.
    linphone_core_set_media_resource_mode(core_, LinphoneSharedMediaResources);
    linphone_core_set_inc_timeout(core_, options_.offerTimeoutSeconds);
    linphone_core_set_nortp_timeout(core_, options_.noRtpTimeoutSeconds);
    linphone_core_set_use_rfc2833_for_dtmf(core_, TRUE);
    linphone_core_set_use_info_for_dtmf(core_, FALSE);
    linphone_core_enable_echo_cancellation(core_, echoCancel_ ? TRUE : FALSE);
    applyMediaEncryption();
    LinphoneImEncryptionEngine* screen = linphone_im_encryption_engine_new();
    linphone_im_encryption_engine_cbs_set_process_incoming_message(
        linphone_im_encryption_engine_get_callbacks(screen), screenIncomingMessage);
    linphone_core_set_im_encryption_engine(core_, screen);
    linphone_im_encryption_engine_unref(screen);
    watchReceivedRequests();
    requestCursor_ = latestRequestCursor();
    challengeCursor_ = latestChallengeCursor();
    const bool on = linphone_core_start(core_) == 0 && linphone_core_get_global_state(core_) == LinphoneGlobalOn;
    return on ? kNoError : kPortInUse;
}

// The account: identity in the SIP proxy's domain, every request routed
// through the server, digest credentials; registration waits for
// RegisterToProxy.
bool LinphoneEngine::addAccount(const LinphoneAddress* identity, const LinphoneAddress* server,
                                const std::string& userName, const std::string& authLogin,
                                const std::string& authPassword, const std::string& realm) {
    // Bound to the registrar's realm: a far end that challenges a request
    // of a call with a realm of its own gets no digest of the password.
    const std::string ha1 = digestHa1(authLogin.empty() ? userName : authLogin, realm, authPassword);
    LinphoneAuthInfo* auth = linphone_factory_create_auth_info_2(
        linphone_factory_get(), userName.c_str(), authLogin.empty() ? nullptr : authLogin.c_str(), nullptr,
        ha1.c_str(), realm.c_str(), nullptr, "MD5");
    linphone_core_add_auth_info(core_, auth);
    linphone_auth_info_unref(auth);

    LinphoneAccountParams* params = linphone_core_create_account_params(core_);
    linphone_account_params_set_identity_address(params, identity);
    linphone_account_params_set_server_address(params, server);
    // Requests reach the server only through the outbound proxy route;
    // otherwise liblinphone resolves the request's domain by DNS.
    linphone_account_params_set_outbound_proxy_enabled(params, TRUE);
    linphone_account_params_set_register_enabled(params, FALSE);
    account_ = AccountHandle::adopt(linphone_core_create_account(core_, params));
    linphone_account_params_unref(params);
    if (!account_) return false;
    linphone_core_add_account(core_, account_.get());
    linphone_core_set_default_account(core_, account_.get());
    return true;
}

void LinphoneEngine::releaseCore() {
    // Every call is done with: the lines' calls and their last ended ones
    // keep what they recorded and did not save (CallRecording).
    for (std::size_t line = 0; line < lines_.size(); ++line) endCall(static_cast<int>(line), std::nullopt, false);
    lines_.clear();
    contacts_.clear();
    watchers_.clear();
    replacements_.clear();
    strays_.clear();
    offered_.clear();
    endDeclinedReferral();
    account_.reset();
    if (core_) {
        linphone_core_set_user_data(core_, nullptr);
        linphone_core_stop(core_);
        linphone_core_unref(core_);
        core_ = nullptr;
    }
    sipPortClaim_.release();
    registration_.forget();
}

void LinphoneEngine::ShutdownEngine() {
    if (!core_) {
        ok();
        return;
    }
    // The program's own hang-up of every call: nothing to report.
    for (std::size_t line = 0; line < lines_.size(); ++line) endCall(static_cast<int>(line), std::nullopt, false);
    linphone_core_terminate_all_calls(core_);
    if (registration_.requested()) {
        queue([](SipEngineEvents& e) { e.OnTryingToUnregister(); });
        if (registration_.registered()) {
            waitForUnregistration();
        } else {
            queue([](SipEngineEvents& e) { e.OnUnregistered(); });  // nothing held at the registrar
        }
    }
    releaseCore();
    ok();
}

// The keep-alive period; the running core takes it at its next start (the
// program passes the same 30 s at every going online).
void LinphoneEngine::SetEngineInterval(long seconds) {
    if (seconds <= 0) {
        fail(kInvalidValue);
        return;
    }
    keepAliveSeconds_ = seconds;
    if (core_) {
        linphone_config_set_int(linphone_core_get_config(core_), "sip", "keepalive_period",
                                static_cast<int>(seconds * 1000));
        linphone_core_enable_keep_alive(core_, TRUE);
    }
    ok();
}

std::string LinphoneEngine::GetLocalAddress() {
    if (!options_.proxyAddress.empty()) return localAddressTowards(hostOf(options_.proxyAddress));
    if (account_) {
        const LinphoneAddress* server =
            linphone_account_params_get_server_address(linphone_account_get_params(account_.get()));
        if (server && linphone_address_get_domain(server))
            return localAddressTowards(linphone_address_get_domain(server));
    }
    // Before the account is known: the address of the default route.
    return localAddressTowards("192.0.2.1");
}

void LinphoneEngine::SetProductTag(const std::string& tag) {
    productTag_ = tag;
    applyProductTag();
    ok();
}

void LinphoneEngine::applyProductTag() {
    if (core_ && !productTag_.empty()) linphone_core_set_user_agent(core_, productTag_.c_str(), nullptr);
}

}  // namespace velmora::engine
