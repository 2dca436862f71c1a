#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_set.h"
#include "camera/run_engine.h"
#include "camera/shot_log.h"
#include "camera/sound_player.h"
#include "camera/virtual_camera.h"
#include "camera/virtual_faults.h"
#include "circumstances/parameter_file.h"
#include "eclipse_data/clock.h"
#include "exposure/table_file.h"

// The runs of several named cameras, each on a thread of its own: finding each body on the ports,
// recognising it by its serial number, and carrying out its table. zelto-cli runs all its cameras
// this way; the program runs the cameras besides its camera window's this way.

namespace zelto {

// A body found on a port (or a virtual body) before it is known by name.
struct Candidate {
    std::string port;
    VirtualCamera* virtualBody = nullptr;  // the virtual camera behind the library, for its faults and times
    std::unique_ptr<CameraBody> body;      // null: no port left to look at
    bool stuck = false;                    // its connect got no answer in time
};

// Everything one named camera's run works with, alive until its run has ended.
struct BodyRun {
    std::string name;
    TableFileReading reading;
    Candidate* camera = nullptr;
    std::string keptSerial;           // from the options; empty when none was kept
    bool awaitCamera = false;         // its body did not answer in time: the run starts without it
    std::unique_ptr<Clock> ownClock;  // a simulated run's clock; null: the shared system clock
    std::unique_ptr<VirtualFaultInjector> injector;
    RunFlags flags;
    TimeSource time;
    ShotLogFile shotLog;
    bool logging = false;
    RunSummary summary;
    bool ran = false;
    // Set from any thread; the run takes them on its own thread as it handles its messages.
    std::atomic<bool> stopAsked = false;  // Abort, Ctrl+C or closing
    std::atomic<double> timeOffset = 0;   // a rehearsal's offset (days), as the program's clock has it
};

// The ports the bodies of a run are on, shared by their run threads.
class PortBook {
  public:
    void Hold(const std::string& name, const std::string& port);
    // The ports of `ports` that no body other than `name` is on.
    std::vector<std::string> FreeFor(const std::string& name, const std::vector<std::string>& ports);

  private:
    std::mutex mutex_;
    std::map<std::string, std::string> held_;
};

// The ports libgphoto2 detects cameras on, in its order (disk: folders left out).
std::vector<std::string> DetectedPorts();

// One library per name: a virtual body each with a serial of its own (VIRTUAL0001 on, from
// `firstVirtual`), or a gphoto2 body on each port given ("" where none is), then on the ports detected
// that no name was given and that are not `elsewhere` (another program part's camera). A gphoto2 name
// left without a port gets no library.
std::vector<Candidate> MakeCandidates(const std::string& backend, std::vector<std::string> ports,
                                      const std::vector<std::string>& elsewhere = {}, int firstVirtual = 1);

// Connects every candidate; the serial each reports, nullopt where none answered. Nullopt, with the
// reason in `error`, when a body's allowed values do not fit.
std::optional<std::vector<std::optional<std::string>>> ConnectCandidates(std::vector<Candidate>& candidates,
                                                                         std::string* error);

// Gives each named run its body by the serials kept, and keeps there the serial of a named camera seen
// for the first time (a name not kept yet is added); `say` gets each camera's line ("camera: Canon EOS
// 100D, serial 0123 on usb:001,005"). False when a named camera is not found.
bool MatchNames(std::vector<KeptCamera>& kept, std::vector<std::unique_ptr<BodyRun>>& runs,
                std::vector<Candidate>& candidates, const std::vector<std::optional<std::string>>& found,
                const std::function<void(const std::string& name, const std::string& line)>& say);

// Each body found is from now on the one with its serial number: a body plugged back into another
// USB port during the run is looked for there (gphoto2), another body on its port is refused.
void KnowBodiesBySerial(const std::string& backend, std::vector<std::unique_ptr<BodyRun>>& runs,
                        PortBook& book);

// The shot log of one camera of several: `path` with the camera's name before its extension.
std::string BodyLogPath(const std::string& path, const std::string& name);

// Its clock (a simulated run's, advanced by the virtual body's times; null for the system clock), the
// faults rehearsed on its virtual body and its shot log (none for an empty path). False, with the
// reason in `why`, when the log cannot be opened.
bool PrepareBodyRun(BodyRun& run, std::unique_ptr<FakeClock> simulated, const BodyFaultReading& faults,
                    const std::string& logPath, std::string* why);

// What a body's run needs besides its table and body. Both functions are called on the run's thread.
struct BodyRunSurroundings {
    Clock& clock;  // the shared clock, unless the run has its own
    const WorkingFolders& folders;
    RunView& view;
    SoundPlayer& sound;
    Shell& shell;
    std::function<void(const std::string& line)> text;  // the library's texts ("Camera error: ...")
    std::function<void()> eachTurn = {};                // each time the run handles its messages
};

// One camera's whole run, on the caller's thread; disconnects the body at its end.
void RunBody(BodyRun& run, RunKind kind, RunStart start, BodyRunSurroundings surroundings);

// A run that plays no sound: its action lines and the other camera's window name the sound rows.
class SilentSound final : public SoundPlayer {
  public:
    void Play(const std::string&) override {}
};

}  // namespace zelto
