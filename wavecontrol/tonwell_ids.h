// The control's identity: class and interface ids, DISPIDs, enumerations and error constants.
#pragma once
#include "component/guid.h"
#include "component/hresult.h"

#include <cstdint>

namespace tonwell {

using component::DISPID;
using component::Guid;
using component::HRESULT;

inline constexpr Guid LIBID_TONWELLLib = Guid::of("{58E14049-685B-4606-AEA7-164D0E872875}");
inline constexpr Guid CLSID_Tonwell = Guid::of("{78C3F94B-B857-4563-A466-6EF2D648C0B0}");
inline constexpr Guid IID_ITonwell = Guid::of("{62D40FF0-3B06-4BEC-863B-60CC51F61D58}");
inline constexpr Guid DIID__ITonwellEvents = Guid::of("{A562C675-E46B-49E9-B82D-01045A606379}");

inline constexpr char kProgId[] = "Tonwell.Tonwell.1";
inline constexpr char kVersionIndependentProgId[] = "Tonwell.Tonwell";
inline constexpr std::uint32_t kMiscStatus = 132497;  // 0x20591
inline constexpr char kHelpFile[] = "MyHelpFile.chm";
inline constexpr std::uint32_t kHelpContext = 1234;

// ITonwell members.
namespace dispid {
constexpr DISPID Enabled = -514;
constexpr DISPID PlayFilename = 1;
constexpr DISPID PlayVolume = 2;
constexpr DISPID RecordFilename = 3;
constexpr DISPID RecordLevel = 4;
constexpr DISPID SilenceLevel = 5;
constexpr DISPID SilenceTimer = 6;
constexpr DISPID Play = 7;
constexpr DISPID Record = 8;
constexpr DISPID StopPlay = 9;
constexpr DISPID StopRecord = 10;
constexpr DISPID RecordFormat = 11;
constexpr DISPID WaveInNumDevs = 12;
constexpr DISPID WaveOutNumDevs = 13;
constexpr DISPID WaveInGetName = 14;
constexpr DISPID WaveOutGetName = 15;
constexpr DISPID About = -552;
constexpr DISPID WaveInGetCaps = 16;
constexpr DISPID WaveOutGetCaps = 17;
constexpr DISPID PlayBufferLength = 18;
constexpr DISPID RecordBufferLength = 19;
constexpr DISPID SilenceDeletion = 20;
constexpr DISPID PlayPaused = 21;
constexpr DISPID RecordPaused = 22;
constexpr DISPID ShowConvertFormatDialog = 23;
constexpr DISPID ConvertAttributes = 24;
constexpr DISPID ConvertTag = 25;
constexpr DISPID Convert = 26;
constexpr DISPID ConvertBusy = 27;
constexpr DISPID ConvertFormat = 28;
constexpr DISPID ShowRecordFormatDialog = 29;
constexpr DISPID RecordTag = 30;
constexpr DISPID RecordAttributes = 31;
constexpr DISPID RecordUserFormat = 32;
constexpr DISPID PlayBusy = 33;
constexpr DISPID RecordBusy = 34;
constexpr DISPID PlayTag = 35;
constexpr DISPID PlayAttributes = 36;
}  // namespace dispid

// _ITonwellEvents.
namespace eventid {
constexpr DISPID DonePlay = 1;
constexpr DISPID DoneRecord = 2;
constexpr DISPID Silence = 3;
constexpr DISPID VUChange = 4;
constexpr DISPID ConvertDone = 5;
constexpr DISPID ConvertError = 6;
}  // namespace eventid

enum TonwellFormatConstants : std::int32_t {
    tw8000Hz8bit = 1,
    tw8000Hz16bit = 2,
    tw11025Hz8bit = 4,
    tw11025Hz16bit = 8,
    tw2205Hz8bit = 16,
    tw2205Hz16bit = 32,
    tw44100Hz8bit = 64,
    tw44100Hz16bit = 128,
    twUserSelect = 256,
};

enum TonwellErrorConstants : std::int32_t {
    TonwellPlayFileOpenFailed = static_cast<std::int32_t>(0x80042001),
    TonwellInvalidAudioFile = static_cast<std::int32_t>(0x80042002),
    TonwellDamagedAudioFile = static_cast<std::int32_t>(0x80042003),
    TonwellFileErrorReadingFormat = static_cast<std::int32_t>(0x80042004),
    TonwellStereoAudioFile = static_cast<std::int32_t>(0x80042005),
    TonwellFileWaveDataError = static_cast<std::int32_t>(0x80042006),
    TonwellOutOpenError = static_cast<std::int32_t>(0x80042007),
    TonwellPrepareHeaderFailure = static_cast<std::int32_t>(0x80042008),
    TonwellRecordFileCreateFailed = static_cast<std::int32_t>(0x80042009),
    TonwellRecordFileOpenFailed = static_cast<std::int32_t>(0x8004200A),
    TonwellRecordCreateRIFFFailed = static_cast<std::int32_t>(0x8004200B),
    TonwellFileErrorCreatingFormat = static_cast<std::int32_t>(0x8004200C),
    TonwellFileErrorWritingFormat = static_cast<std::int32_t>(0x8004200D),
    TonwellFileAscendFailed = static_cast<std::int32_t>(0x8004200E),
    TonwellFileCreateDataFailed = static_cast<std::int32_t>(0x8004200F),
    TonwellInOpenError = static_cast<std::int32_t>(0x80042010),
    TonwellRecordPrepareHeaderFailure = static_cast<std::int32_t>(0x80042011),
    TonwellRecordBufferError = static_cast<std::int32_t>(0x80042012),
    TonwellRecordStartFailed = static_cast<std::int32_t>(0x80042013),
    TonwellGetWaveInNameFailed = static_cast<std::int32_t>(0x80042014),
    TonwellGetWaveOutNameFailed = static_cast<std::int32_t>(0x80042015),
    TonwellInvalidPropertyValue = static_cast<std::int32_t>(0x80042016),
    TonwellOutPauseError = static_cast<std::int32_t>(0x80042017),
    TonwellACMError = static_cast<std::int32_t>(0x80042018),
};

}  // namespace tonwell
