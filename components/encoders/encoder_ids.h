// The dispatch interface of the two encoder controls: the audio encoder
// (library "quillon") and the media encoder (library "tolvern"). The host
// reaches them only by these ids; the events are the same for both.
#pragma once

namespace brindle::encoders {

// Audio encoder: mixes sources into one RealMedia sound file.
namespace quillon {
enum : int {
    BinFolder = 1,       // text: folder of support files (kept, not needed)
    OutputFile = 2,      // text: the RealMedia file written
    TargetAudience = 3,  // 32-bit: connection the presentation is made for
    Mode = 4,            // 16-bit: sound codec choice, see AudioMode
    SampleRate = 8,      // 16-bit: mix rate in hertz (8000..48000)
    BitsPerSample = 9,   // 16-bit: 8 or 16
    Channels = 10,       // 16-bit: 1 or 2
    DurationMs = 11,     // 32-bit: length of the mix
    AddSource = 13,      // (file, start ms, level, flags) -> 32-bit code, 0 accepted
    NewMix = 14,         // forgets every source
    Abort = 15,          // ends a running encode; EncodeComplete follows
    Start = 16,          // -> boolean, true when refused
};
}  // namespace quillon

// Media encoder: one AVI clip to one RealMedia file.
namespace tolvern {
enum : int {
    InputFile = 1,       // text: the clip
    OutputFile = 2,      // text: the RealMedia file written
    TargetAudience = 6,  // 32-bit
    VideoCodec = 7,      // 16-bit: 1 RealVideo 1.0 (rv10), anything else 2.0 (rv20)
    VideoQuality = 8,    // 32-bit: see VideoQuality
    Mode = 9,            // 16-bit: see MediaMode
    BinFolder = 10,      // text: folder of support files (kept, not needed)
    Start = 11,          // starts the encode; its end is EncodeComplete
    Abort = 12,          // ends a running encode; EncodeComplete follows
};
}  // namespace tolvern

// Events of both controls, fired in this order: any number of EncodeError
// and EncodeProgress, then one EncodeComplete, after success, failure or
// abort alike.
enum EventId : int {
    EncodeComplete = 1,  // no arguments
    EncodeError = 2,     // (16-bit code, text)
    EncodeProgress = 3,  // (16-bit percent 0..100)
};

// The codes of EncodeError.
enum ErrorCode : int {
    ErrorInput = 1,           // an input file cannot be read, or holds no usable stream
    ErrorOutput = 2,          // the output file cannot be written
    ErrorEncoder = 3,         // an encoder cannot be set up or fails
    ErrorPacketTooLarge = 4,  // a coded frame exceeds what RealMedia can carry
    ErrorSettings = 5,        // a property holds a value that cannot be encoded
};

// The results of quillon::AddSource other than 0.
enum SourceRefusal : int {
    RefusedUnreadable = 1,  // the file cannot be opened as media
    RefusedNoAudio = 2,     // it holds no sound that can be decoded
    RefusedArguments = 3,   // bad start or level, or a missing argument
    RefusedBusy = 4,        // an encode is running
};

// quillon::Mode: which sound codec is written.
enum AudioMode : int {
    AudioModeVoice = 0,       // RealAudio 1.0 (real_144), 8000 Hz mono
    AudioModeMusic = 1,       // AC-3 at the audience's rate
    AudioModeByAudience = 2,  // chosen from the target audience (the program's value)
};

// tolvern::Mode: which streams of the clip are written.
enum MediaMode : int {
    MediaModeVideoAndSound = 0,
    MediaModeSoundOnly = 1,
    MediaModeVideoOnly = 2,  // the program's value: the clip's sound is in the mix already
};

// tolvern::VideoQuality.
enum VideoQuality : int {
    VideoQualityNormal = 0,
    VideoQualitySmoothMotion = 1,  // coarser pictures, key frames far apart
    VideoQualitySharpPicture = 2,  // finer pictures, the bit rate may be exceeded
};

}  // namespace brindle::encoders
