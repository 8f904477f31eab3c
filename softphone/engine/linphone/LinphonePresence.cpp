#include "LinphoneEngine.h"

#include "SipTargets.h"

#include <linphone/friend.h>
#include <linphone/friendlist.h>
#include <linphone/presence.h>

#include <algorithm>
#include <cctype>

// Presence: each chat contact is a friend of liblinphone whose presence we
// subscribe to; the subscription and its NOTIFYs go through the proxy,
// which relays them between the user agents (no presence server). Our own
// status is the presence model every subscriber is notified of.

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

bool sameDomain(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
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
    FriendHandle contactFriend = FriendHandle::adopt(linphone_core_create_friend_with_address(core_, uri->c_str()));
    if (!contactFriend) return fail(kInvalidUri);
    linphone_friend_enable_subscribes(contactFriend.get(), TRUE);
    linphone_friend_set_inc_subscribe_policy(contactFriend.get(), LinphoneSPAccept);
    if (linphone_friend_list_add_friend(linphone_core_get_default_friend_list(core_), contactFriend.get()) !=
        LinphoneFriendListOK)
        return fail(kInvalidUri);
    contacts_[name] = Contact{std::move(contactFriend), -1};
    hurry();
    return ok();
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
// back (only the program's own contacts are watched). Only agents of our
// own SIP domain may watch: anyone else is refused and kept nowhere, so
// outside subscribers neither learn the agent's status nor fill the list.
void LinphoneEngine::onSubscriptionRequested(LinphoneFriend* subscriber) {
    const LinphoneAddress* from = linphone_friend_get_address(subscriber);
    const char* domain = from ? linphone_address_get_domain(from) : nullptr;
    linphone_friend_enable_subscribes(subscriber, FALSE);
    if (!domain || !sameDomain(domain, domain_)) {
        linphone_core_reject_subscriber(core_, subscriber);
        hurry();
        return;
    }
    linphone_friend_set_inc_subscribe_policy(subscriber, LinphoneSPAccept);
    linphone_friend_list_add_friend(linphone_core_get_default_friend_list(core_), subscriber);
    hurry();
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
