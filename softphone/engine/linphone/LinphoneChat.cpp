#include "LinphoneEngine.h"

#include "SipTargets.h"
#include "SipTrace.h"

#include <linphone/api/c-account-params.h>
#include <linphone/api/c-account.h>
#include <linphone/api/c-address.h>
#include <linphone/api/c-chat-message.h>
#include <linphone/api/c-chat-room-params.h>
#include <linphone/api/c-chat-room.h>
#include <linphone/factory.h>

#include <algorithm>

// Chat: SIP MESSAGE requests to another account of the SIP proxy, always
// through the proxy (a chat room's peer address carries no port, so a
// direct one would miss a user agent on a non-default port). Received ones
// are taken only from agents of our own SIP domain and only through the
// proxy: a MESSAGE sent straight to the phone's port, or from anyone else,
// is refused with 403 Forbidden and shown nowhere.

namespace velmora::engine {
namespace {

std::string trimmed(const std::string& text) {
    const auto blank = [](unsigned char c) { return c == ' ' || c == '\t'; };
    auto begin = std::find_if_not(text.begin(), text.end(), blank);
    auto end = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(begin), blank).base();
    return std::string(begin, end);
}

}  // namespace

// The basic (one MESSAGE a text) chat room with the peer, created on first use.
LinphoneChatRoom* LinphoneEngine::chatRoomWith(const LinphoneAddress* peer) {
    LinphoneChatRoomParams* params = linphone_core_create_default_chat_room_params(core_);
    linphone_chat_room_params_set_backend(params, LinphoneChatRoomBackendBasic);
    linphone_chat_room_params_enable_group(params, FALSE);
    linphone_chat_room_params_enable_encryption(params, FALSE);
    const LinphoneAddress* local =
        linphone_account_params_get_identity_address(linphone_account_get_params(account_.get()));
    LinphoneChatRoom* room = linphone_core_search_chat_room(core_, params, local, peer, nullptr);
    if (!room) {
        bctbx_list_t* participants = bctbx_list_append(nullptr, const_cast<LinphoneAddress*>(peer));
        room = linphone_core_create_chat_room_6(core_, params, local, participants);
        bctbx_list_free(participants);
    }
    linphone_chat_room_params_unref(params);
    return room;
}

bool LinphoneEngine::SendChatMessage(const std::string& recipient, const std::string& message, long, long) {
    if (!core_ || !account_) return fail(kNotOnline);
    const std::string user = trimmed(recipient);
    // A recipient is the user part of an account of the SIP proxy.
    if (user.empty() || user.find('@') != std::string::npos || user.find(':') != std::string::npos)
        return fail(kInvalidUri);
    const auto uri = targetUri(user, domain_);
    if (!uri) return fail(kInvalidUri);
    LinphoneAddress* peer = linphone_factory_create_address(linphone_factory_get(), uri->c_str());
    if (!peer) return fail(kInvalidUri);
    LinphoneChatRoom* room = chatRoomWith(peer);
    linphone_address_unref(peer);
    if (!room) return fail(kConnectRequestFailed);
    // What went before in this room has gone out (or failed) by now: the
    // program keeps its own chat log, liblinphone's database keeps nothing.
    linphone_chat_room_delete_history(room);
    LinphoneChatMessage* sent = linphone_chat_room_create_message_from_utf8(room, message.c_str());
    if (!sent) return fail(kInvalidValue);
    linphone_chat_message_send(sent);
    linphone_chat_message_unref(sent);
    hurry();
    return ok();
}

namespace {

// The name a received message is told under, or nullopt when it must not
// be taken: its sender is not of our domain.
std::optional<std::string> ownDomainSender(LinphoneChatMessage* message, const std::string& domain) {
    const LinphoneAddress* from = linphone_chat_message_get_from_address(message);
    const char* user = from ? linphone_address_get_username(from) : nullptr;
    const char* host = from ? linphone_address_get_domain(from) : nullptr;
    if (!user || !host || !sameHost(host, domain)) return std::nullopt;
    return chatSenderName(user, host, domain);
}

}  // namespace

int LinphoneEngine::screenChatMessage(LinphoneChatMessage* message) {
    const char* callId = linphone_chat_message_get_call_id(message);
    const bool viaProxy = callId && throughProxy(lastRequest(callId, "MESSAGE"));
    if (viaProxy && ownDomainSender(message, domain_)) return -1;
    // Refused: its room, made for it alone, goes too (a sender per room
    // would otherwise pile rooms up).
    forgetChatRoom(linphone_chat_message_get_chat_room(message));
    return 403;
}

void LinphoneEngine::onChatMessage(LinphoneChatMessage* message) {
    const std::optional<std::string> sender = ownDomainSender(message, domain_);
    if (!sender) {  // the screen let nothing else through; never shown all the same
        forgetChatRoom(linphone_chat_message_get_chat_room(message));
        return;
    }
    const char* text = linphone_chat_message_get_utf8_text(message);
    std::string body = text ? text : "";
    queue([sender = *sender, body](SipEngineEvents& e) { e.OnChatMessage(sender, body); });
    forgetChatHistory(linphone_chat_message_get_chat_room(message));
}

// A room liblinphone made for a refused message, deleted with its history
// once iterate has returned.
void LinphoneEngine::forgetChatRoom(LinphoneChatRoom* room) {
    if (!room) return;
    linphone_chat_room_ref(room);
    loop_.post([this, room, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired() || !core_ || linphone_chat_room_get_core(room) != core_) return;
        linphone_core_delete_chat_room(core_, room);
        linphone_chat_room_unref(room);
    });
}

// Received messages would pile up in liblinphone's database without bound
// (a peer can send as many as it likes): once a message is handed on, its
// room's history goes. Not from inside the callback, where liblinphone is
// still storing the message, but from posted work after iterate.
void LinphoneEngine::forgetChatHistory(LinphoneChatRoom* room) {
    if (!room) return;
    linphone_chat_room_ref(room);
    loop_.post([this, room, alive = std::weak_ptr<bool>(alive_)] {
        // An engine or core gone meanwhile: the room is left to it.
        if (alive.expired() || !core_ || linphone_chat_room_get_core(room) != core_) return;
        linphone_chat_room_delete_history(room);
        linphone_chat_room_unref(room);
    });
}

}  // namespace velmora::engine
