#include "LinphoneEngine.h"

#include "SipTargets.h"
#include "SipTrace.h"

#include <linphone/friend.h>
#include <linphone/friendlist.h>
#include <linphone/presence.h>

#include <algorithm>
#include <cctype>

// Presence: each chat contact is a friend of liblinphone whose presence we
// subscribe to; the subscription and its NOTIFYs go through the proxy,
// which relays them between the user agents (no presence server). Our own
// status is the presence model every subscriber is notified of. Watchers of
// our presence are agents of our own SIP domain whose SUBSCRIBE came through
// the proxy, at most maxPresenceWatchers at once, each kept until its
// subscription ends.

namespace velmora::engine {
namespace {

constexpr long kOnline = 0;
constexpr long kOffline = 1;
constexpr long kAway = 2;
constexpr long kOnThePhone = 3;
constexpr long kBusy = 4;

// The contact's name: the text up to its first blank, so that a list
// entry shown with its status ("1002 [Away]") names the contact too.
std::string contactName(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    const auto end = text.find_first_of(" \t", begin);
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// A subscription with no Expires lasts an hour (RFC 3856); a watcher is
// let go this long after its subscription should have been refreshed.
constexpr long kDefaultPresenceExpires = 3600;
constexpr long kWatcherGraceSeconds = 32;

std::string text(const char* value) { return value ? value : ""; }

// Into the friend list, and out of liblinphone's list of pending subscribers
// (only this deprecated call does both; the friend list's own add leaves the
// subscriber pending, kept for ever).
void takeOutOfPending(LinphoneCore* core, LinphoneFriend* subscriber) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    linphone_core_add_friend(core, subscriber);
#pragma GCC diagnostic pop
}

std::string addressKey(const LinphoneAddress* address) {
    if (!address) return {};
    std::string key = text(linphone_address_get_username(address)) + "@" + text(linphone_address_get_domain(address));
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

long statusOf(const LinphonePresenceModel* model) {
    if (!model || linphone_presence_model_get_basic_status(model) != LinphonePresenceBasicStatusOpen) return kOffline;
    const LinphonePresenceActivity* activity = linphone_presence_model_get_activity(model);
    if (!activity) return kOnline;
    switch (linphone_presence_activity_get_type(activity)) {
    case LinphonePresenceActivityAway: return kAway;
    case LinphonePresenceActivityOnThePhone: return kOnThePhone;
    case LinphonePresenceActivityBusy: return kBusy;
    default: return kOnline;
    }
}

}  // namespace

bool LinphoneEngine::AddChatContact(const std::string& contact) {
    if (!core_ || !account_) return fail(kNotOnline);
    const std::string name = contactName(contact);
    if (name.empty() || name.find_first_of("@:") != std::string::npos) return fail(kInvalidUri);
    const auto uri = targetUri(name, domain_);
    if (!uri) return fail(kInvalidUri);
    if (contacts_.count(name)) return ok();
    if (!subscribeContact(name)) return fail(kInvalidUri);
    hurry();
    return ok();
}

// The contact as a friend of liblinphone that subscribes to its presence
// (and may watch ours: a colleague we watch is one of our domain).
bool LinphoneEngine::subscribeContact(const std::string& name) {
    const auto uri = targetUri(name, domain_);
    if (!uri) return false;
    FriendHandle contactFriend = FriendHandle::adopt(linphone_core_create_friend_with_address(core_, uri->c_str()));
    if (!contactFriend) return false;
    linphone_friend_enable_subscribes(contactFriend.get(), TRUE);
    linphone_friend_set_inc_subscribe_policy(contactFriend.get(), LinphoneSPAccept);
    if (linphone_friend_list_add_friend(linphone_core_get_default_friend_list(core_), contactFriend.get()) !=
        LinphoneFriendListOK)
        return false;
    const long reported = contacts_.count(name) ? contacts_[name].reported : -1;
    contacts_[name] = Contact{std::move(contactFriend), reported};
    return true;
}

bool LinphoneEngine::RemoveChatContact(const std::string& contact) {
    if (!core_) return fail(kNotOnline);
    const auto found = contacts_.find(contactName(contact));
    if (found == contacts_.end()) return ok();  // not subscribed: nothing to end
    linphone_friend_list_remove_friend(linphone_core_get_default_friend_list(core_), found->second.subscribed.get());
    contacts_.erase(found);
    hurry();
    return ok();
}

bool LinphoneEngine::SetMyChatStatus(long status) {
    if (!core_) return fail(kNotOnline);
    LinphonePresenceModel* model = nullptr;
    switch (status) {
    case kOnline: model = linphone_core_create_presence_model(core_); break;
    case kOffline: model = linphone_core_create_presence_model(core_); break;
    case kAway:
        model = linphone_core_create_presence_model_with_activity(core_, LinphonePresenceActivityAway, nullptr);
        break;
    case kOnThePhone:
        model = linphone_core_create_presence_model_with_activity(core_, LinphonePresenceActivityOnThePhone, nullptr);
        break;
    case kBusy:
        model = linphone_core_create_presence_model_with_activity(core_, LinphonePresenceActivityBusy, nullptr);
        break;
    default: return fail(kInvalidValue);
    }
    linphone_presence_model_set_basic_status(
        model, status == kOffline ? LinphonePresenceBasicStatusClosed : LinphonePresenceBasicStatusOpen);
    linphone_core_set_presence_model(core_, model);
    linphone_presence_model_unref(model);
    hurry();
    return ok();
}

// Another agent subscribes to our presence: accepted, without subscribing
// back (only the program's own contacts are watched), when it is an agent
// of our own SIP domain and its SUBSCRIBE came through the proxy, and while
// fewer than maxPresenceWatchers watch. Anyone else is refused and told
// nothing (liblinphone keeps the refused address to decline its next
// SUBSCRIBE at once).
void LinphoneEngine::onSubscriptionRequested(LinphoneFriend* subscriber) {
    const LinphoneAddress* from = linphone_friend_get_address(subscriber);
    const char* user = from ? linphone_address_get_username(from) : nullptr;
    const char* domain = from ? linphone_address_get_domain(from) : nullptr;
    const auto subscribe = user && domain ? lastPresenceSubscribe(user, domain) : std::nullopt;
    const std::string key = addressKey(from);
    linphone_friend_enable_subscribes(subscriber, FALSE);
    const bool accepted = domain && user && *user && sameHost(domain, domain_) && throughProxy(subscribe) &&
                          static_cast<int>(watchers_.size()) < options_.maxPresenceWatchers && !watchers_.count(key);
    if (!accepted) {
        linphone_core_reject_subscriber(core_, subscriber);
        hurry();
        return;
    }
    linphone_friend_set_inc_subscribe_policy(subscriber, LinphoneSPAccept);
    takeOutOfPending(core_, subscriber);
    const long expires = subscribe->expires >= 0 ? subscribe->expires : kDefaultPresenceExpires;
    watchers_[key] = Watcher{FriendHandle(subscriber), subscribe->callId,
                             loop_.tickCount() + static_cast<std::uint32_t>((expires + kWatcherGraceSeconds) * 1000)};
    hurry();
}

void LinphoneEngine::dropWatcher(const std::string& key) {
    const auto found = watchers_.find(key);
    if (found == watchers_.end()) return;
    // Out of the friend list: liblinphone ends what is left of its subscription.
    linphone_friend_list_remove_friend(linphone_core_get_default_friend_list(core_), found->second.subscriber.get());
    watchers_.erase(found);
    hurry();
}

// After iterate: watchers follow their subscriptions (refreshed, ended, expired). A SUBSCRIBE for the presence
// of a watcher or contact that liblinphone took by itself (it matched a
// friend, so the engine was not asked) but that came from elsewhere or from
// another domain ends that friend's incoming subscriptions: the watcher
// goes, the contact is subscribed afresh.
void LinphoneEngine::checkPresenceWatchers() {
    const std::uint32_t now = loop_.tickCount();
    for (const ReceivedRequest& request : requestsSince(requestCursor_)) {
        if (request.method != "SUBSCRIBE") continue;
        const bool trusted = isTrustedPeer(request.peer, proxy_) && sameHost(request.fromDomain, domain_);
        std::string key = request.fromUser + "@" + request.fromDomain;
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (request.inDialog) {
            for (auto& [watcherKey, watcher] : watchers_)
                if (watcher.callId == request.callId && trusted) {
                    if (request.expires == 0) {
                        dropWatcher(watcherKey);
                        break;
                    }
                    const long expires = request.expires > 0 ? request.expires : kDefaultPresenceExpires;
                    watcher.until = now + static_cast<std::uint32_t>((expires + kWatcherGraceSeconds) * 1000);
                    break;
                }
            continue;
        }
        if (request.event != "presence") continue;
        const auto watcher = watchers_.find(key);
        if (watcher != watchers_.end()) {
            if (!trusted) {
                dropWatcher(key);
            } else {  // a new subscription of the same agent, taken by liblinphone
                watcher->second.callId = request.callId;
                const long expires = request.expires >= 0 ? request.expires : kDefaultPresenceExpires;
                watcher->second.until = now + static_cast<std::uint32_t>((expires + kWatcherGraceSeconds) * 1000);
            }
            continue;
        }
        if (trusted || !sameHost(request.fromDomain, domain_)) continue;
        for (auto& [name, contact] : contacts_) {
            if (addressKey(linphone_friend_get_address(contact.subscribed.get())) != key) continue;
            linphone_friend_list_remove_friend(linphone_core_get_default_friend_list(core_), contact.subscribed.get());
            subscribeContact(name);
            hurry();
            break;
        }
    }
    std::vector<std::string> expired;
    for (const auto& [key, watcher] : watchers_)
        if (static_cast<std::int32_t>(now - watcher.until) > 0) expired.push_back(key);
    for (const std::string& key : expired) dropWatcher(key);
}

void LinphoneEngine::onPresence(LinphoneFriend* changed) {
    for (auto& [name, contact] : contacts_)
        if (contact.subscribed.get() == changed)
            reportContact(name, contact, statusOf(linphone_friend_get_presence_model(changed)));
}

// A subscription that failed (no such account, refused) or ended leaves the
// contact offline, reported once.
void LinphoneEngine::checkContactSubscriptions() {
    for (auto& [name, contact] : contacts_) {
        const LinphoneSubscriptionState state = linphone_friend_get_subscription_state(contact.subscribed.get());
        if (state == LinphoneSubscriptionError || state == LinphoneSubscriptionTerminated)
            reportContact(name, contact, kOffline);
    }
}

void LinphoneEngine::reportContact(const std::string& name, Contact& contact, long status) {
    if (contact.reported == status) return;
    contact.reported = status;
    queue([name, status](SipEngineEvents& e) { e.OnChatContactStatus(name, status); });
}

}  // namespace velmora::engine
