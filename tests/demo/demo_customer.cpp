// The demo telephone system's customer: registers one account with the demo
// Kamailio, answers every call after two seconds of ringing and speaks a
// recorded prompt into it (liblinphone streams the prompt file to the caller).
//
//   demo_customer --server 127.0.0.1:PORT --domain DOMAIN --user NUMBER
//                 --password PASSWORD --prompt FILE.wav --state DIR [--port SIPPORT]
//                 [--tls-ca CA.pem] [--srtp yes]
//
// With --tls-ca, --server is the host:port of Kamailio's TLS listener, whose
// certificate CA.pem must have signed; with --srtp yes, calls are answered
// with SRTP when the caller offers it.

#include <linphone/core.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

volatile std::sig_atomic_t stopping = 0;
std::vector<LinphoneCall*> ringing;

void onCallState(LinphoneCore*, LinphoneCall* call, LinphoneCallState state, const char*) {
    if (state == LinphoneCallStateIncomingReceived) {
        std::printf("demo customer: a call is ringing\n");
        std::fflush(stdout);
        ringing.push_back(linphone_call_ref(call));
    }
}

void onRegistration(LinphoneCore*, LinphoneAccount*, LinphoneRegistrationState state, const char* message) {
    if (state == LinphoneRegistrationOk || state == LinphoneRegistrationFailed)
        std::printf("demo customer: registration %s\n", message ? message : "");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> args{{"--port", "0"}, {"--srtp", "no"}};
    for (int i = 1; i + 1 < argc; i += 2) args[argv[i]] = argv[i + 1];
    for (const char* needed : {"--server", "--domain", "--user", "--password", "--prompt", "--state"})
        if (args[needed].empty()) {
            std::fprintf(stderr, "demo_customer: %s is missing\n", needed);
            return 2;
        }
    std::signal(SIGTERM, [](int) { stopping = 1; });
    std::signal(SIGINT, [](int) { stopping = 1; });

    const std::filesystem::path state = args["--state"];
    std::filesystem::create_directories(state / "plugins");
    LinphoneFactory* factory = linphone_factory_get();
    // An empty plugin folder: Debian's plugins are video ones.
    linphone_factory_set_msplugins_dir(factory, (state / "plugins").c_str());
    // liblinphone appends its file names to these as they are: they end with "/".
    linphone_factory_set_data_dir(factory, (state / "").c_str());
    linphone_factory_set_config_dir(factory, (state / "").c_str());
    linphone_logging_service_set_log_level_mask(linphone_logging_service_get(), LinphoneLogLevelError);

    LinphoneCoreCbs* callbacks = linphone_factory_create_core_cbs(factory);
    linphone_core_cbs_set_call_state_changed(callbacks, onCallState);
    linphone_core_cbs_set_account_registration_state_changed(callbacks, onRegistration);
    LinphoneCore* core = linphone_factory_create_core_3(factory, nullptr, nullptr, nullptr);
    linphone_core_add_callbacks(core, callbacks);
    linphone_core_cbs_unref(callbacks);
    linphone_config_set_string(linphone_core_get_config(core), "storage", "uri", (state / "linphone.db").c_str());
    linphone_core_enable_ipv6(core, FALSE);
    const bool tls = !args["--tls-ca"].empty();
    const int port = std::stoi(args["--port"]) ? std::stoi(args["--port"]) : -1;
    LinphoneTransports* transports = linphone_factory_create_transports(factory);
    linphone_transports_set_udp_port(transports, tls ? 0 : port);
    linphone_transports_set_tcp_port(transports, 0);
    linphone_transports_set_tls_port(transports, tls ? port : 0);
    linphone_core_set_transports(core, transports);
    linphone_transports_unref(transports);
    linphone_core_enable_video_capture(core, FALSE);
    linphone_core_enable_video_display(core, FALSE);
    if (tls) {
        linphone_core_set_root_ca(core, args["--tls-ca"].c_str());
        linphone_core_verify_server_certificates(core, TRUE);
        linphone_core_verify_server_cn(core, TRUE);
    }
    if (args["--srtp"] == "yes") linphone_core_set_media_encryption(core, LinphoneMediaEncryptionSRTP);
    linphone_core_set_use_files(core, TRUE);
    linphone_core_set_play_file(core, args["--prompt"].c_str());
    linphone_core_set_record_file(core, (state / "heard.wav").c_str());
    if (linphone_core_start(core) != 0) {
        std::fprintf(stderr, "demo_customer: liblinphone did not start\n");
        return 1;
    }

    const std::string identityText = "sip:" + args["--user"] + "@" + args["--domain"];
    LinphoneAddress* identity = linphone_factory_create_address(factory, identityText.c_str());
    LinphoneAddress* server = linphone_factory_create_address(
        factory, ("sip:" + args["--server"] + (tls ? ";transport=tls" : ";transport=udp")).c_str());
    LinphoneAuthInfo* auth = linphone_factory_create_auth_info(factory, args["--user"].c_str(), nullptr,
                                                               args["--password"].c_str(), nullptr, nullptr, nullptr);
    linphone_core_add_auth_info(core, auth);
    linphone_auth_info_unref(auth);
    LinphoneAccountParams* params = linphone_core_create_account_params(core);
    linphone_account_params_set_identity_address(params, identity);
    linphone_account_params_set_server_address(params, server);
    linphone_account_params_set_outbound_proxy_enabled(params, TRUE);
    linphone_account_params_set_register_enabled(params, TRUE);
    linphone_account_params_set_expires(params, 600);
    LinphoneAccount* account = linphone_core_create_account(core, params);
    linphone_account_params_unref(params);
    linphone_core_add_account(core, account);
    linphone_core_set_default_account(core, account);
    linphone_address_unref(identity);
    linphone_address_unref(server);

    std::map<LinphoneCall*, std::chrono::steady_clock::time_point> answerAt;
    while (!stopping) {
        linphone_core_iterate(core);
        const auto now = std::chrono::steady_clock::now();
        for (LinphoneCall* call : ringing) answerAt.emplace(call, now + std::chrono::seconds(2));
        ringing.clear();
        for (auto it = answerAt.begin(); it != answerAt.end();) {
            if (it->second > now) {
                ++it;
                continue;
            }
            if (linphone_call_get_state(it->first) == LinphoneCallStateIncomingReceived)
                linphone_call_accept(it->first);
            linphone_call_unref(it->first);
            it = answerAt.erase(it);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (auto& [call, when] : answerAt) linphone_call_unref(call);
    linphone_core_terminate_all_calls(core);
    linphone_account_unref(account);
    linphone_core_stop(core);
    linphone_core_unref(core);
    return 0;
}
