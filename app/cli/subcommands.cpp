#include "app/cli/subcommand.h"

#include <array>
#include <cstdio>

namespace brindle::cli {

namespace {
const std::array kSubcommands{
    Subcommand{"version", "", "print the program's version (what every command costs to start)",
               runVersion},
    Subcommand{"frames", "CLIP.avi", "print TotalFrames, FirstFrame and LastFrame of a clip",
               runFrames},
    Subcommand{"cut", "CLIP.avi FIRST LAST",
               "cut a clip in place to the frames FIRST..LAST, printing the progress", runCut},
    Subcommand{"check", "CLIP", "print whether a video file can be used as a slide (exit 1: no)",
               runCheck},
    Subcommand{"present", "FILE.bqx [--publish]",
               "write the presentation into the preview folder and print the folder; --publish "
               "also packs project.zip into the upload folder (exit 1: failed, 3: cancelled)",
               runPresent},
    Subcommand{"export", "FILE.bqx OUT.mp4 [--size WxH]",
               "write the presentation and render it into an MP4 video (H.264, AAC) at its own "
               "size or WxH (exit 1: failed, 3: cancelled)",
               runExport},
    Subcommand{"info", "FILE.bqx [--table]",
               "open a project file as the editor does and print the project as JSON (exit 1: "
               "it did not open); --table reads the table of contents alone, checks no clip "
               "and leaves out the background track's length",
               runInfo},
    Subcommand{"resave", "FILE.bqx OUT.bqx", "open a project file and save it again as OUT.bqx",
               runResave},
    Subcommand{"sample", "OUT.bqx",
               "make the sample project (pictures, a clip, narrations, captions) as OUT.bqx",
               runSample},
    Subcommand{"text", "FILE.bqx TEXT [--size 0|1|2] [--scheme 0..3] [--center] [--caption TEXT]",
               "add a text slide as the text slide editor makes it and save the project (a new "
               "project when FILE.bqx does not exist)",
               runText},
    Subcommand{"capture",
               "OUT.avi --seconds N [--driver N] [--compression CODE] [--size WxH] [--rate FPS]",
               "record from a camera through the video capture control (--list: print the "
               "drivers)",
               runCapture},
    Subcommand{"record", "OUT.wav|OUT.avi --seconds N [--format 0|1|3]",
               "record N seconds from the default sound source and save them (format 0: 44100 Hz "
               "stereo, 1: 22050 Hz mono, 3: as recorded)",
               runRecord},
    Subcommand{"waveform", "IN OUT.png [--width W --height H]",
               "draw the first four seconds of a sound as the audio control shows them",
               runWaveform},
    Subcommand{"scan", "OUT.jpg [--device NAME] [--resolution DPI] [--mode color|gray] | --list",
               "scan one page (colour, 150 dpi and the first scanner unless told) into OUT.jpg and "
               "print its size; --list prints each scanner's device name and label",
               runScan},
};
}  // namespace

int runVersion(const QStringList& args) {
    if (!args.isEmpty()) {
        return usageError();
    }
    std::printf("brindle-cli %s\n", BRINDLE_VERSION);
    return kExitOk;
}

std::span<const Subcommand> subcommands() {
    return kSubcommands;
}

int usageError() {
    std::fprintf(stderr, "usage: brindle-cli COMMAND ARGUMENTS...\n");
    for (const Subcommand& c : kSubcommands) {
        std::fprintf(stderr, "  brindle-cli %s %s\n      %s\n", c.name, c.arguments, c.summary);
    }
    return kExitUsage;
}

}  // namespace brindle::cli
