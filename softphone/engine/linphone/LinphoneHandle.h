#pragma once

#include <linphone/api/c-account.h>
#include <linphone/api/c-call.h>
#include <linphone/core.h>
#include <linphone/friend.h>
#include <linphone/player.h>

#include <utility>

namespace velmora::engine {

// One reference to a liblinphone object, given back when the handle goes:
// no path can forget the unref. Copying takes another reference; a moved-from
// handle holds nothing.
template <typename T, T* (*Ref)(T*), void (*Unref)(T*)>
class LinphoneHandle {
public:
    LinphoneHandle() = default;
    // Takes a reference of its own to an object someone else holds.
    explicit LinphoneHandle(T* object) : object_(object ? Ref(object) : nullptr) {}
    // Takes over the reference that a create function returned.
    static LinphoneHandle adopt(T* object) {
        LinphoneHandle handle;
        handle.object_ = object;
        return handle;
    }
    ~LinphoneHandle() { reset(); }
    LinphoneHandle(const LinphoneHandle& other) : LinphoneHandle(other.object_) {}
    LinphoneHandle& operator=(const LinphoneHandle& other) {
        if (this != &other) *this = LinphoneHandle(other);
        return *this;
    }
    LinphoneHandle(LinphoneHandle&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    LinphoneHandle& operator=(LinphoneHandle&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }

    void reset() {
        if (T* object = std::exchange(object_, nullptr)) Unref(object);
    }
    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};

using CallHandle = LinphoneHandle<LinphoneCall, linphone_call_ref, linphone_call_unref>;
using PlayerHandle = LinphoneHandle<LinphonePlayer, linphone_player_ref, linphone_player_unref>;
using PlayerCbsHandle = LinphoneHandle<LinphonePlayerCbs, linphone_player_cbs_ref, linphone_player_cbs_unref>;
using FriendHandle = LinphoneHandle<LinphoneFriend, linphone_friend_ref, linphone_friend_unref>;
using AccountHandle = LinphoneHandle<LinphoneAccount, linphone_account_ref, linphone_account_unref>;

}  // namespace velmora::engine
