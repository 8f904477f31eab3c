#include "BareAgent.h"

#include <linphone/api/c-account-params.h>
#include <linphone/api/c-account.h>
#include <linphone/api/c-address.h>
#include <linphone/api/c-auth-info.h>
#include <linphone/factory.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

BareAgent* agentOf(LinphoneCore* core) { return static_cast<BareAgent*>(linphone_core_get_user_data(core)); }

void registrationChanged(LinphoneCore* core, LinphoneAccount*, LinphoneRegistrationState state, const char*) {
    BareAgent* agent = agentOf(core);
    agent->registration = state;
    agent->seenAt = Clock::now();
}

void callStateChanged(LinphoneCore* core, LinphoneCall*, LinphoneCallState state, const char*) {
    BareAgent* agent = agentOf(core);
    agent->callState = state;
    if (state == LinphoneCallConnected) agent->connected = true, agent->seenAt = Clock::now();
    if (state == LinphoneCallError || state == LinphoneCallEnd) agent->ended = true;
}

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

BareAgent::BareAgent(const std::string& proxyHostPort, const std::string& domain, const std::string& user,
                     const std::string& password, int sipPort, int rtpPort, const std::filesystem::path& state) {
    LinphoneFactory* factory = linphone_factory_get();
    const std::string folder = state.string() + "/";
    std::filesystem::create_directories(state / "plugins");
    linphone_factory_set_msplugins_dir(factory, (state / "plugins").c_str());
    linphone_factory_set_data_dir(factory, folder.c_str());
    linphone_factory_set_config_dir(factory, folder.c_str());
    LinphoneCoreCbs* callbacks = linphone_factory_create_core_cbs(factory);
    linphone_core_cbs_set_account_registration_state_changed(callbacks, registrationChanged);
    linphone_core_cbs_set_call_state_changed(callbacks, callStateChanged);
    core_ = linphone_factory_create_core_3(factory, (state / "linphonerc").c_str(), nullptr, nullptr);
    linphone_core_set_user_data(core_, this);
    linphone_core_add_callbacks(core_, callbacks);
    linphone_core_cbs_unref(callbacks);

    LinphoneConfig* config = linphone_core_get_config(core_);
    linphone_config_set_string(config, "storage", "uri", (state / "linphone.db").c_str());
    linphone_core_enable_ipv6(core_, FALSE);
    linphone_core_remove_supported_tag(core_, "gruu");
    LinphoneTransports* transports = linphone_factory_create_transports(factory);
    linphone_transports_set_udp_port(transports, sipPort);
    linphone_transports_set_tcp_port(transports, 0);
    linphone_transports_set_tls_port(transports, 0);
    linphone_core_set_transports(core_, transports);
    linphone_transports_unref(transports);
    linphone_core_enable_video_capture(core_, FALSE);
    linphone_core_enable_video_display(core_, FALSE);
    linphone_core_set_use_files(core_, TRUE);
    linphone_core_set_media_resource_mode(core_, LinphoneSharedMediaResources);
    linphone_core_set_use_rfc2833_for_dtmf(core_, TRUE);
    linphone_core_set_audio_port(core_, rtpPort);
    linphone_core_start(core_);
    // G.711 and telephone-event only, as the engine offers by default.
    bctbx_list_t* types = linphone_core_get_audio_payload_types(core_);
    for (bctbx_list_t* it = types; it; it = bctbx_list_next(it)) {
        auto* type = static_cast<LinphonePayloadType*>(bctbx_list_get_data(it));
        const char* mime = linphone_payload_type_get_mime_type(type);
        const bool wanted =
            linphone_payload_type_get_clock_rate(type) == 8000 &&
            (!strcasecmp(mime, "PCMU") || !strcasecmp(mime, "PCMA") || !strcasecmp(mime, "telephone-event"));
        linphone_payload_type_enable(type, wanted ? TRUE : FALSE);
    }
    bctbx_list_free_with_data(types, reinterpret_cast<bctbx_list_free_func>(linphone_payload_type_unref));

    LinphoneAuthInfo* auth = linphone_factory_create_auth_info(factory, user.c_str(), user.c_str(), password.c_str(),
                                                               nullptr, nullptr, nullptr);
    linphone_core_add_auth_info(core_, auth);
    linphone_auth_info_unref(auth);
    LinphoneAddress* identity = linphone_factory_create_address(factory, ("sip:" + user + "@" + domain).c_str());
    LinphoneAddress* server =
        linphone_factory_create_address(factory, ("sip:" + proxyHostPort + ";transport=udp").c_str());
    LinphoneAccountParams* params = linphone_core_create_account_params(core_);
    linphone_account_params_set_identity_address(params, identity);
    linphone_account_params_set_server_address(params, server);
    linphone_account_params_set_outbound_proxy_enabled(params, TRUE);
    linphone_account_params_set_register_enabled(params, FALSE);
    account_ = linphone_core_create_account(core_, params);
    linphone_core_add_account(core_, account_);
    linphone_core_set_default_account(core_, account_);
    linphone_account_params_unref(params);
    linphone_address_unref(identity);
    linphone_address_unref(server);
}

BareAgent::~BareAgent() {
    linphone_core_terminate_all_calls(core_);
    linphone_account_unref(account_);
    linphone_core_stop(core_);
    linphone_core_unref(core_);
}

template <class Done>
bool BareAgent::iterateUntil(Done done) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!done() && Clock::now() < deadline) {
        linphone_core_iterate(core_);
        if (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

double BareAgent::registerMs() {
    registration = LinphoneRegistrationNone;
    const auto began = Clock::now();
    LinphoneAccountParams* params = linphone_account_params_clone(linphone_account_get_params(account_));
    linphone_account_params_set_expires(params, 1800);
    linphone_account_params_set_register_enabled(params, TRUE);
    linphone_account_set_params(account_, params);
    linphone_account_params_unref(params);
    if (!iterateUntil(
            [&] { return registration == LinphoneRegistrationOk || registration == LinphoneRegistrationFailed; }) ||
        registration != LinphoneRegistrationOk)
        return -1;
    return ms(seenAt - began);
}

double BareAgent::dialMs(const std::string& uri) {
    callState = LinphoneCallIdle;
    connected = ended = false;
    const auto began = Clock::now();
    LinphoneCall* call = linphone_core_invite(core_, uri.c_str());
    if (!call) return -1;
    const bool answered = iterateUntil([&] { return connected || ended; }) && connected;
    const double result = answered ? ms(seenAt - began) : -1;
    linphone_core_terminate_all_calls(core_);
    iterateUntil([&] { return callState == LinphoneCallReleased; });
    return result;
}
