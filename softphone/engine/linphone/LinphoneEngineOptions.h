#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::engine {

// How SIP travels between the engine and its server.
enum class SipTransport { Udp, Tcp, Tls };

// How call audio is protected: plain RTP; SRTP keyed in the session
// description (SDES), offered as an alternative so that a far end without it
// still gets plain RTP; SRTP or no call; ZRTP, keyed in the media path, with
// plain RTP for a far end without it.
enum class MediaEncryption { None, Srtp, SrtpMandatory, Zrtp };

// The deployment texts "udp", "tcp", "tls" and "none", "srtp",
// "srtp-mandatory", "zrtp", whatever their case; nullopt for anything else.
std::optional<SipTransport> sipTransportNamed(std::string_view text);
std::optional<MediaEncryption> mediaEncryptionNamed(std::string_view text);

// A transfer the far end took on (202) and then said nothing final about
// for this long is taken as done: the engine ends our leg.
inline constexpr int kTransferOutcomeSeconds = 30;

// How a LinphoneEngine is set up, beyond what the SipEngine operations carry.
struct LinphoneEngineOptions {
    // "host:port" of the SIP server every request is sent to, while the
    // identity keeps the SIP proxy's domain (deployment.ini's ProxyAddress).
    // Empty: requests go to the outbound proxy given to InitializeEngine.
    std::string proxyAddress;
    // How requests go to that server. With Tls the SIP port given to
    // InitializeEngine is the TLS listening port, the server's certificate
    // must be signed by an authority of rootCa and name the server's host.
    SipTransport transport = SipTransport::Udp;
    // A PEM file of certificate authorities; empty: the system's store.
    std::filesystem::path rootCa;
    MediaEncryption mediaEncryption = MediaEncryption::None;
    // Only the telephone system speaks to the phone: calls, chat messages and
    // presence subscriptions are taken only when they come through the SIP
    // server above (its host and port). With allowDirectPeers a call may also
    // come straight from a peer to the phone's SIP port; a call that replaces
    // another, a chat message and a subscription still must come through it.
    bool allowDirectPeers = false;
    // The digest realm the account's credentials answer, and no other: a
    // challenge in another realm (a far end's own 401 or 407) gets none.
    // Empty: the account's SIP domain (the SIP proxy given to InitializeEngine).
    std::string authRealm;
    // Watchers of the agent's presence kept at once; more are refused.
    int maxPresenceWatchers = 256;
    // Where liblinphone keeps its configuration and database; created when
    // missing. Empty: a folder below the system's temporary folder.
    std::filesystem::path stateFolder;
    // No sound card: calls read silence and write nowhere (tests, servers).
    bool headlessAudio = false;
    // With headlessAudio: a wave file read as the microphone (looped) and one
    // that receives what the speaker would play (for tests and demos).
    std::filesystem::path headlessMicrophoneFile;
    std::filesystem::path headlessSpeakerFile;
    // liblinphone's log, warnings and errors; with fullLog everything, every
    // SIP message included. Empty: no log at all. Nothing of it ever goes to
    // standard output or error.
    std::filesystem::path logFile;
    bool fullLog = false;

    // How often liblinphone is run from the event loop; while messages are
    // under way (after an operation or an event) it runs at once and then
    // every busyIterateIntervalMs for busyPeriodMs, so exchanges are not
    // slowed down by the idle interval.
    int iterateIntervalMs = 20;
    int busyIterateIntervalMs = 1;
    int busyPeriodMs = 500;
    // An outgoing call with no final response after this long is cancelled
    // and reported with OnConnectFailed.
    int answerTimeoutSeconds = 120;
    // An offered call nobody takes within this long is declined: offers
    // from a scanner must not pile up and keep the lines busy.
    int offerTimeoutSeconds = 60;
    // A transfer taken on by the far end with no final word after this long
    // ends our leg (reported with OnHungUp).
    int transferOutcomeSeconds = kTransferOutcomeSeconds;
    // A call that receives no RTP for this long is ended (peer gone, no BYE)
    // and reported with OnHungUp.
    int noRtpTimeoutSeconds = 30;
    // A registration the registrar does not answer within this long is
    // reported failed (408): liblinphone itself would wait 32 s.
    int registerTimeoutSeconds = 30;
    // ShutdownEngine waits at most this long for the registrar's answer.
    int unregisterTimeoutMs = 3000;
};

}  // namespace velmora::engine
