// The ITonwell dispatch table with the type library's help texts, the events and the enums.
#include "typelib.h"

#include "component/dispatch.h"
#include "tonwell.h"

namespace tonwell {

using namespace component;

namespace {

const DispatchTable<Tonwell>& table() {
    static const DispatchTable<Tonwell> t = [] {
        TypeInfo info;
        info.name = QStringLiteral("ITonwell");
        info.iid = IID_ITonwell;
        info.help = QStringLiteral("ITonwell Interface");
        info.eventsName = QStringLiteral("_ITonwellEvents");
        info.eventsIid = DIID__ITonwellEvents;
        DispatchTable<Tonwell> d(std::move(info));
        using T = Tonwell;
        const QStringList device{QStringLiteral("DeviceID")};
        const QStringList window{QStringLiteral("hWnd")};
        d.property(dispid::Enabled, QStringLiteral("Enabled"), QString(), &T::get_Enabled, &T::put_Enabled)
            .property(dispid::PlayFilename, QStringLiteral("PlayFilename"),
                      QStringLiteral("Sets/returns the wave file name to play"), &T::get_PlayFilename,
                      &T::put_PlayFilename)
            .property(dispid::PlayVolume, QStringLiteral("PlayVolume"), QStringLiteral("Sets/returns the play volume"),
                      &T::get_PlayVolume, &T::put_PlayVolume)
            .property(dispid::RecordFilename, QStringLiteral("RecordFilename"),
                      QStringLiteral("Sets/returns the wave file name for recording"), &T::get_RecordFilename,
                      &T::put_RecordFilename)
            .property(dispid::RecordLevel, QStringLiteral("RecordLevel"),
                      QStringLiteral("Sets/returns the record level"), &T::get_RecordLevel, &T::put_RecordLevel)
            .property(dispid::SilenceLevel, QStringLiteral("SilenceLevel"),
                      QStringLiteral("Sets/returns the silence level"), &T::get_SilenceLevel, &T::put_SilenceLevel)
            .property(dispid::SilenceTimer, QStringLiteral("SilenceTimer"),
                      QStringLiteral("Sets/returns the silence timer"), &T::get_SilenceTimer, &T::put_SilenceTimer)
            .method(dispid::Play, QStringLiteral("Play"), QStringLiteral("Plays a wave file"),
                    {QStringLiteral("WaveOutID")}, &T::Play)
            .method(dispid::Record, QStringLiteral("Record"), QStringLiteral("Records a wave file"),
                    {QStringLiteral("WaveInID")}, &T::Record)
            .method(dispid::StopPlay, QStringLiteral("StopPlay"), QStringLiteral("Stops playing the wave file"), {},
                    &T::StopPlay)
            .method(dispid::StopRecord, QStringLiteral("StopRecord"), QStringLiteral("Stops recording the wave file"),
                    {}, &T::StopRecord)
            .property(dispid::RecordFormat, QStringLiteral("RecordFormat"),
                      QStringLiteral("Sets/returns the record wave format"), &T::get_RecordFormat, &T::put_RecordFormat)
            .readOnly(dispid::WaveInNumDevs, QStringLiteral("WaveInNumDevs"),
                      QStringLiteral("Returns the number of waveform input devices installed"), &T::get_WaveInNumDevs)
            .readOnly(dispid::WaveOutNumDevs, QStringLiteral("WaveOutNumDevs"),
                      QStringLiteral("Returns the number of waveform output devices installed"), &T::get_WaveOutNumDevs)
            .method(dispid::WaveInGetName, QStringLiteral("WaveInGetName"),
                    QStringLiteral("Returns the name of the specied device ID"), device, &T::WaveInGetName)
            .method(dispid::WaveOutGetName, QStringLiteral("WaveOutGetName"),
                    QStringLiteral("Returns the name of specified device ID"), device, &T::WaveOutGetName)
            .method(dispid::About, QStringLiteral("About"), QStringLiteral("Shows the About dialog"), {}, &T::About)
            .method(dispid::WaveInGetCaps, QStringLiteral("WaveInGetCaps"),
                    QStringLiteral("Returns the capabilities of the selected device as bit flag constants"), device,
                    &T::WaveInGetCaps)
            .method(dispid::WaveOutGetCaps, QStringLiteral("WaveOutGetCaps"),
                    QStringLiteral("Returns the capabilities of the selected device as bit flag constants"), device,
                    &T::WaveOutGetCaps)
            .property(dispid::PlayBufferLength, QStringLiteral("PlayBufferLength"),
                      QStringLiteral("Sets/returns the length of the play buffer in 100ms"), &T::get_PlayBufferLength,
                      &T::put_PlayBufferLength)
            .property(dispid::RecordBufferLength, QStringLiteral("RecordBufferLength"),
                      QStringLiteral("Sets/returns the length of the record buffer in 100ms"),
                      &T::get_RecordBufferLength, &T::put_RecordBufferLength)
            .property(dispid::SilenceDeletion, QStringLiteral("SilenceDeletion"),
                      QStringLiteral("When true does not record during periods of silence"), &T::get_SilenceDeletion,
                      &T::put_SilenceDeletion)
            .property(dispid::PlayPaused, QStringLiteral("PlayPaused"), QStringLiteral("When true playing is paused"),
                      &T::get_PlayPaused, &T::put_PlayPaused)
            .property(dispid::RecordPaused, QStringLiteral("RecordPaused"),
                      QStringLiteral("When true recording is paused"), &T::get_RecordPaused, &T::put_RecordPaused)
            .method(dispid::ShowConvertFormatDialog, QStringLiteral("ShowConvertFormatDialog"),
                    QStringLiteral("Shows the converter format dialog"), window, &T::ShowConvertFormatDialog)
            .readOnly(dispid::ConvertAttributes, QStringLiteral("ConvertAttributes"),
                      QStringLiteral("Returns the converter output attributes"), &T::get_ConvertAttributes)
            .readOnly(dispid::ConvertTag, QStringLiteral("ConvertTag"),
                      QStringLiteral("Returns the converter output format tag"), &T::get_ConvertTag)
            .method(dispid::Convert, QStringLiteral("Convert"), QStringLiteral("Converts the wave format"),
                    {QStringLiteral("InputFileName"), QStringLiteral("OutputFileName")}, &T::Convert)
            .readOnly(dispid::ConvertBusy, QStringLiteral("ConvertBusy"),
                      QStringLiteral("Returns true if converter is busy"), &T::get_ConvertBusy)
            .property(dispid::ConvertFormat, QStringLiteral("ConvertFormat"),
                      QStringLiteral("Sets/returns converter output format"), &T::get_ConvertFormat,
                      &T::put_ConvertFormat)
            .method(dispid::ShowRecordFormatDialog, QStringLiteral("ShowRecordFormatDialog"),
                    QStringLiteral("Shows the record format dialog"), window, &T::ShowRecordFormatDialog)
            .readOnly(dispid::RecordTag, QStringLiteral("RecordTag"), QStringLiteral("Returns the record format tag"),
                      &T::get_RecordTag)
            .readOnly(dispid::RecordAttributes, QStringLiteral("RecordAttributes"),
                      QStringLiteral("Returns the record format attributes"), &T::get_RecordAttributes)
            .property(dispid::RecordUserFormat, QStringLiteral("RecordUserFormat"),
                      QStringLiteral("Sets/returns record user format"), &T::get_RecordUserFormat,
                      &T::put_RecordUserFormat)
            .readOnly(dispid::PlayBusy, QStringLiteral("PlayBusy"), QStringLiteral("Returns true while playing"),
                      &T::get_PlayBusy)
            .readOnly(dispid::RecordBusy, QStringLiteral("RecordBusy"), QStringLiteral("Returns true while recording"),
                      &T::get_RecordBusy)
            .readOnly(dispid::PlayTag, QStringLiteral("PlayTag"), QStringLiteral("Returns the play format tag"),
                      &T::get_PlayTag)
            .readOnly(dispid::PlayAttributes, QStringLiteral("PlayAttributes"),
                      QStringLiteral("Returns the play format attributes"), &T::get_PlayAttributes);

        TypeInfo& ti = d.info();
        ti.events = {
            {eventid::DonePlay, QStringLiteral("DonePlay"), {}, QStringLiteral("Wave file playing completed")},
            {eventid::DoneRecord, QStringLiteral("DoneRecord"), {}, QStringLiteral("Wave file recording completed")},
            {eventid::Silence,
             QStringLiteral("Silence"),
             {QStringLiteral("Silence")},
             QStringLiteral("Silence detection state change")},
            {eventid::VUChange,
             QStringLiteral("VUChange"),
             {QStringLiteral("PlayVolume"), QStringLiteral("RecordLevel")},
             QStringLiteral("VU level change")},
            {eventid::ConvertDone, QStringLiteral("ConvertDone"), {}, QStringLiteral("Convertion done")},
            {eventid::ConvertError,
             QStringLiteral("ConvertError"),
             {QStringLiteral("ErrNumber"), QStringLiteral("ErrDescription")},
             QStringLiteral("Convertion error")},
        };
        EnumInfo formats{QStringLiteral("TonwellFormatConstants"),
                         QStringLiteral("Wave Format Constants"),
                         {
                             {QStringLiteral("tw8000Hz8bit"), tw8000Hz8bit, QStringLiteral("8000 Hz 8 bit mono")},
                             {QStringLiteral("tw8000Hz16bit"), tw8000Hz16bit, QStringLiteral("8000 Hz 16 bit mono")},
                             {QStringLiteral("tw11025Hz8bit"), tw11025Hz8bit, QStringLiteral("11025 Hz 8 bit mono")},
                             {QStringLiteral("tw11025Hz16bit"), tw11025Hz16bit, QStringLiteral("11025 Hz 16 bit mono")},
                             {QStringLiteral("tw2205Hz8bit"), tw2205Hz8bit, QStringLiteral("22050 Hz 8 bit mono")},
                             {QStringLiteral("tw2205Hz16bit"), tw2205Hz16bit, QStringLiteral("22050 Hz 16 bit mono")},
                             {QStringLiteral("tw44100Hz8bit"), tw44100Hz8bit, QStringLiteral("41000 Hz 8 bit mono")},
                             {QStringLiteral("tw44100Hz16bit"), tw44100Hz16bit, QStringLiteral("41000 Hz 16 bit mono")},
                             {QStringLiteral("twUserSelect"), twUserSelect,
                              QStringLiteral("Format chosen with the record format dialog or RecordUserFormat")},
                         }};
        EnumInfo errors{
            QStringLiteral("TonwellErrorConstants"),
            QStringLiteral("Error Constants"),
            {
                {QStringLiteral("TonwellPlayFileOpenFailed"), TonwellPlayFileOpenFailed,
                 QStringLiteral("Failed to open play file")},
                {QStringLiteral("TonwellInvalidAudioFile"), TonwellInvalidAudioFile,
                 QStringLiteral("Not a valid wave audio file")},
                {QStringLiteral("TonwellDamagedAudioFile"), TonwellDamagedAudioFile,
                 QStringLiteral("Damaged wave audio file")},
                {QStringLiteral("TonwellFileErrorReadingFormat"), TonwellFileErrorReadingFormat,
                 QStringLiteral("Error reading format of wave audio file")},
                {QStringLiteral("TonwellStereoAudioFile"), TonwellStereoAudioFile,
                 QStringLiteral("Stereo wave audio file")},
                {QStringLiteral("TonwellFileWaveDataError"), TonwellFileWaveDataError,
                 QStringLiteral("Unable to find data in wave audio file")},
                {QStringLiteral("TonwellOutOpenError"), TonwellOutOpenError,
                 QStringLiteral("Error opening wave output device")},
                {QStringLiteral("TonwellPrepareHeaderFailure"), TonwellPrepareHeaderFailure,
                 QStringLiteral("Failed to prepare wave headers")},
                {QStringLiteral("TonwellRecordFileCreateFailed"), TonwellRecordFileCreateFailed,
                 QStringLiteral("Failed to create record file")},
                {QStringLiteral("TonwellRecordFileOpenFailed"), TonwellRecordFileOpenFailed,
                 QStringLiteral("Failed to open record file")},
                {QStringLiteral("TonwellRecordCreateRIFFFailed"), TonwellRecordCreateRIFFFailed,
                 QStringLiteral("Failed to Create RIFF Chunk")},
                {QStringLiteral("TonwellFileErrorCreatingFormat"), TonwellFileErrorCreatingFormat,
                 QStringLiteral("Failed to Create Format Info")},
                {QStringLiteral("TonwellFileErrorWritingFormat"), TonwellFileErrorWritingFormat,
                 QStringLiteral("Failed to Write Format Info")},
                {QStringLiteral("TonwellFileAscendFailed"), TonwellFileAscendFailed,
                 QStringLiteral("Failed to Ascend to Riff Chunk")},
                {QStringLiteral("TonwellFileCreateDataFailed"), TonwellFileCreateDataFailed,
                 QStringLiteral("Failed to Create Wave Data")},
                {QStringLiteral("TonwellInOpenError"), TonwellInOpenError,
                 QStringLiteral("Error opening wave input device")},
                {QStringLiteral("TonwellRecordPrepareHeaderFailure"), TonwellRecordPrepareHeaderFailure,
                 QStringLiteral("Failed to prepare wave record headers")},
                {QStringLiteral("TonwellRecordBufferError"), TonwellRecordBufferError,
                 QStringLiteral("Failed to add wave record buffers")},
                {QStringLiteral("TonwellRecordStartFailed"), TonwellRecordStartFailed,
                 QStringLiteral("Failed to start wave record")},
                {QStringLiteral("TonwellGetWaveInNameFailed"), TonwellGetWaveInNameFailed,
                 QStringLiteral("Failed to get wave in device name")},
                {QStringLiteral("TonwellGetWaveOutNameFailed"), TonwellGetWaveOutNameFailed,
                 QStringLiteral("Failed to get wave out device name")},
                {QStringLiteral("TonwellInvalidPropertyValue"), TonwellInvalidPropertyValue,
                 QStringLiteral("Invalid property value")},
                {QStringLiteral("TonwellOutPauseError"), TonwellOutPauseError,
                 QStringLiteral("Play pause\\restart failed")},
                {QStringLiteral("TonwellACMError"), TonwellACMError, QStringLiteral("ACM conversion error")},
            }};
        ti.enums = {formats, errors};
        return d;
    }();
    return t;
}

}  // namespace

const TypeInfo& tonwellTypeInfo() { return table().typeInfo(); }

HRESULT invokeTonwell(Tonwell& t, DISPID id, unsigned kinds, std::span<const Variant> args, Variant* result) {
    return table().invoke(t, id, kinds, args, result);
}

}  // namespace tonwell
