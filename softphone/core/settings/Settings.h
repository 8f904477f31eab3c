#pragma once

#include "IniFiles.h"

#include <filesystem>
#include <string>

namespace velmora::core {

// How a key is read: the private-profile reader (GetProfileSetting) or the
// program's own line reader (INIread), whose key must open a line exactly.
enum class Reader { Profile, Line };

// A key of one settings file, with the reader the program uses for it. The
// file type keeps a key of one file from being read in another.
template <typename File>
struct Key {
    const char* name;
    Reader reader;
};

// One settings file and section. Every read goes to the file at the moment of
// use (other tools change these files while the program runs); nothing is kept.
template <typename File>
class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path path) : path_(std::move(path)) {}

    std::string get(Key<File> key) const {
        return key.reader == Reader::Profile ? GetProfileSetting(File::section, key.name, path_)
                                             : INIread(path_, File::section, key.name);
    }
    bool set(Key<File> key, const std::string& value) const { return INIwrite(path_, File::section, key.name, value); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// bin/velmoraapp.ini, section System: the account and the agent's options.
struct AgentSettingsFile {
    static constexpr const char* section = "System";
};
// bin/websettings.ini, section System: what the web tools read back.
struct WebSettingsFile {
    static constexpr const char* section = "System";
};
// bin/buttonprg.ini, section System: the window position.
struct PositionFile {
    static constexpr const char* section = "System";
};
// bin/deployment.ini, section Deployment: the service provider's values.
struct DeploymentFile {
    static constexpr const char* section = "Deployment";
};

using AgentSettings = SettingsFile<AgentSettingsFile>;
using WebSettings = SettingsFile<WebSettingsFile>;
using PositionSettings = SettingsFile<PositionFile>;
using DeploymentSettings = SettingsFile<DeploymentFile>;

// Every key the program reads or writes, named once per file.
namespace keys {

using A = Key<AgentSettingsFile>;
inline constexpr A customerNumber{"customerNumber", Reader::Profile};
inline constexpr A customerNumberLine{"customernumber", Reader::Line};  // the window title's reading
inline constexpr A DisplayName{"DisplayName", Reader::Profile};
inline constexpr A Login{"Login", Reader::Profile};
inline constexpr A AuthLogin{"AuthLogin", Reader::Profile};
inline constexpr A Password{"Password", Reader::Profile};
inline constexpr A SIPProxy{"SIPProxy", Reader::Profile};
inline constexpr A OutBoundProxy{"OutBoundProxy", Reader::Profile};
inline constexpr A Mon{"Mon", Reader::Profile};
inline constexpr A Userweb{"Userweb", Reader::Profile};
inline constexpr A passweb{"passweb", Reader::Profile};
inline constexpr A UseSipTapi{"UseSipTapi", Reader::Profile};
inline constexpr A swipeSize{"swipeSize", Reader::Profile};
inline constexpr A recordAll{"recordAll", Reader::Profile};
inline constexpr A DID{"DID", Reader::Profile};  // "True" shows the greeting buttons
inline constexpr A clickshow123{"clickshow123", Reader::Line};
inline constexpr A InBand{"InBand", Reader::Line};
inline constexpr A Forward{"Forward", Reader::Line};
inline constexpr A AutoCid{"AutoCid", Reader::Line};
inline constexpr A LMUser{"LMUser", Reader::Line};
inline constexpr A LMPass{"LMPass", Reader::Line};
inline constexpr A LMWGroup{"LMWGroup", Reader::Line};
inline constexpr A TransferNumber{"TransferNumber", Reader::Line};
inline constexpr A LastNumber{"LastNumber", Reader::Line};
inline constexpr A autocall{"autocall", Reader::Line};
inline constexpr A PreDialNumber{"PreDialNumber", Reader::Line};

using W = Key<WebSettingsFile>;
inline constexpr W CLICK{"CLICK", Reader::Line};
inline constexpr W Click{"Click", Reader::Line};

using P = Key<PositionFile>;
inline constexpr P Top{"Top", Reader::Profile};
inline constexpr P Left{"Left", Reader::Profile};

using D = Key<DeploymentFile>;
inline constexpr D ServiceDomain{"ServiceDomain", Reader::Profile};
inline constexpr D ProxyAddress{"ProxyAddress", Reader::Profile};
inline constexpr D Transport{"Transport", Reader::Profile};
inline constexpr D RootCA{"RootCA", Reader::Profile};
inline constexpr D MediaEncryption{"MediaEncryption", Reader::Profile};
inline constexpr D StartPage{"StartPage", Reader::Profile};
inline constexpr D PolicyAddress{"PolicyAddress", Reader::Profile};
inline constexpr D HelpAddress{"HelpAddress", Reader::Profile};
// https://host[:port] the web panel's active-extensions page is taken from
// instead of https://pbx<account>.<ServiceDomain> (a local or test system).
inline constexpr D PanelAddress{"PanelAddress", Reader::Profile};
// host[:port] of the customer-relationship page of the caller-ID hand-over.
inline constexpr D CrmHost{"CrmHost", Reader::Profile};
// libpq URI of the PostgreSQL database that receives every call record.
inline constexpr D CallRecordStore{"CallRecordStore", Reader::Profile};

}  // namespace keys
}  // namespace velmora::core
