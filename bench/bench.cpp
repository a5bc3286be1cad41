// Frame-time benchmark of the real show: its own window, initShow and
// renderFrame (the swap included), each scene played through all its frames
// with its catalogue values. Beside it, the same frames recorded once into
// display lists and replayed: the cost of the geometry itself on this driver.
//
// The window comes up as in winMain (class, window, viewport, camera set-up),
// without the display-mode switch and the start-up box. initShow seeds the
// generator with the time; the bench then re-seeds it with a fixed value and
// refills the angle table, so every run shows the same cans.
//
// Usage: kelvora_bench [--scenes 0,1,...] [--rounds N] [--no-floor] [--no-step6]
//                      [--profile SCENE] [--profile-floor SCENE]
// Run from the folder that holds stuff/ (scripts/bench does).
#include <GL/gl.h>
#include <dlfcn.h>
#include <execinfo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#ifdef KELVORA_HAVE_CALLGRIND_H
#include <valgrind/callgrind.h>
#endif

#include "app/shell.h"
#include "bench/bench_scene.h"
#include "assets/models.h"
#include "camera/camera.h"
#include "platform/platform.h"
#include "render/backdrop.h"
#include "render/can_field.h"
#include "render/frame.h"
#include "show/camera_path.h"
#include "show/random.h"
#include "show/scene_director.h"

// ---------------------------------------------------------------------------
// Allocation counting. The show is linked statically into this executable;
// the driver and the window system live in shared libraries. An allocation is
// the show's when no frame of such a library is on the stack: the C and C++
// runtimes do not count as such libraries, and library code can run template
// code instantiated in this executable, so the whole stack is looked at, but
// only for allocations whose caller lies in this executable.

extern "C" {
extern const char __executable_start[];
extern const char etext[];
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
}

namespace {

constexpr int maxStackFrames = 64;
constexpr const char* runtimeLibraries[] = {"/libc.so", "/libstdc++.so", "/libgcc_s.so", "/libm.so"};

std::atomic<bool> countingAllocations{false};
std::atomic<long> showAllocations{0};
std::atomic<long> otherAllocations{0};  // driver, window system, libraries
thread_local bool lookingAtStack = false;

bool inExecutable(const void* code) {
    const char* c = static_cast<const char*>(code);
    return c >= __executable_start && c < etext;
}

bool stackEntersLibrary() {
    void* frames[maxStackFrames];
    const int n = backtrace(frames, maxStackFrames);
    for (int i = 0; i < n; ++i) {
        Dl_info info;
        if (inExecutable(frames[i]) || dladdr(frames[i], &info) == 0 || info.dli_fname == nullptr)
            continue;
        bool runtime = false;
        for (const char* name : runtimeLibraries) runtime = runtime || std::strstr(info.dli_fname, name);
        if (!runtime) return true;
    }
    return false;
}

inline void noteAllocation(const void* caller) {
    if (!countingAllocations.load(std::memory_order_relaxed) || lookingAtStack) return;
    bool show = false;
    if (inExecutable(caller)) {
        lookingAtStack = true;
        show = !stackEntersLibrary();
        lookingAtStack = false;
    }
    (show ? showAllocations : otherAllocations).fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

extern "C" void* malloc(std::size_t size) {
    noteAllocation(__builtin_return_address(0));
    return __libc_malloc(size);
}

extern "C" void* calloc(std::size_t count, std::size_t size) {
    noteAllocation(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, std::size_t size) {
    noteAllocation(__builtin_return_address(0));
    return __libc_realloc(block, size);
}

void* operator new(std::size_t size) {
    noteAllocation(__builtin_return_address(0));
    if (void* p = __libc_malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    noteAllocation(__builtin_return_address(0));
    if (void* p = __libc_malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, std::size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::size_t) noexcept { __libc_free(p); }

// ---------------------------------------------------------------------------

namespace {

constexpr const char* showClass = "Kelvora";  // the shell's class and window name
constexpr int windowWidth = 640;
constexpr int windowHeight = 480;
// Triangles per can are 8 x detail (side segments 2 x detail, two triangles
// each, and one fan triangle per segment at each end); the backdrop is one quad.
constexpr double trianglesPerDetail = 8.0;
constexpr long backdropTriangles = 2;
constexpr int profileWarmFrames = 30;
constexpr int profileFrames = 10;
constexpr double p95Fraction = 0.95;

using Clock = std::chrono::steady_clock;

struct Options {
    std::vector<int> scenes;
    int rounds = 1;
    bool floor = true;
    bool step6 = true;
    int profileScene = -1;
    bool profileRecorded = false;
};

// Timings of one scene, over all its rounds.
struct SceneResult {
    int scene = 0;
    std::vector<double> frameMs;
    std::vector<double> floorMs;  // empty without the floor
    double triangles = 0;          // mean per frame
    // Processor time summed over the frames: the show's thread (where the
    // driver transforms, sets up and bins) and all of the process's threads
    // (with llvmpipe's rasterizer threads).
    double mainCpuMs = 0, allCpuMs = 0, floorMainCpuMs = 0, floorAllCpuMs = 0;
};

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "kelvora_bench: %s\n", message.c_str());
    std::exit(1);
}

bool parseInt(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--scenes" && hasValue) {
            std::string list = argv[++i];
            std::size_t start = 0;
            while (start <= list.size()) {
                const std::size_t comma = std::min(list.find(',', start), list.size());
                const std::string item = list.substr(start, comma - start);
                int scene = 0;
                if (!parseInt(item.c_str(), 0, sceneCount - 1, scene))
                    fail("--scenes takes scene numbers 0.." + std::to_string(sceneCount - 1) +
                         " separated by commas, not \"" + list + "\"");
                options.scenes.push_back(scene);
                start = comma + 1;
            }
        } else if (arg == "--rounds" && hasValue) {
            if (!parseInt(argv[++i], 1, 100, options.rounds))
                fail("--rounds takes a number from 1 to 100");
        } else if ((arg == "--profile" || arg == "--profile-floor") && hasValue) {
            options.profileRecorded = arg == "--profile-floor";
            if (!parseInt(argv[++i], 0, sceneCount - 1, options.profileScene))
                fail(arg + " takes a scene number 0.." + std::to_string(sceneCount - 1));
        } else if (arg == "--no-floor") {
            options.floor = false;
        } else if (arg == "--no-step6") {
            options.step6 = false;
        } else {
            fail("unknown or incomplete option \"" + arg +
                 "\"; usage: kelvora_bench [--scenes 0,1,...] [--rounds N] [--no-floor] "
                 "[--no-step6] [--profile SCENE] [--profile-floor SCENE]");
        }
    }
    if (options.scenes.empty())
        for (int s = 0; s < sceneCount; ++s) options.scenes.push_back(s);
    return options;
}

// The window and the show, as winMain brings them up, minus the display-mode
// switch and its box.
void startShow() {
    std::string error;
    if (!std::filesystem::is_directory("stuff"))
        fail("no folder \"stuff\" here; run from the repository root (scripts/bench does)");
    if (!platform::start(error)) fail(error);
    if (!platform::registerWindowClass(showClass, wndProc)) fail("cannot register the window class");
    mainWindow = platform::createWindow(showClass, showClass, 0, 0, windowWidth, windowHeight);
    if (mainWindow == nullptr || renderingContext == nullptr) fail("no window or no OpenGL context");
    finishStartUp();

    // backtrace loads its unwinder on first use: not inside a counted frame.
    void* frame[1];
    backtrace(frame, 1);

    // Same cans on every run.
    seedRandom(benchSeed);
    fillAngleTable();
}

// Takes at most one message, as the main loop does, but never paints: only
// the bench draws frames.
void pumpMessage() {
    platform::MessageRecord message;
    if (platform::peekMessage(message) && message.message != platform::msgPaint &&
        message.message != platform::msgQuit)
        platform::dispatchMessage(message);
}

// Triangles the next frame will draw: the can field's walk, each can costing
// 8 x its detail.
long countTriangles() {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    double triangles = backdropTriangles;
    const int count = modelVertexCount();
    for (int a = 0; a < count; a = nextCanVertex(a, vertexStep, count)) {
        glPushMatrix();
        triangles += trianglesPerDetail * detailForDistance(placeCan(a));
        glPopMatrix();
    }
    glPopMatrix();
    return std::lround(triangles);
}

double elapsedMs(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double cpuMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

long framesSwapped = 0;  // warm-up included

// Times one frame into ms, adding its processor time to mainCpu and allCpu;
// counts its allocations when asked.
template <typename Draw>
void timeFrame(Draw draw, bool counted, std::vector<double>& ms, double& mainCpu, double& allCpu) {
    const double main0 = cpuMs(CLOCK_THREAD_CPUTIME_ID);
    const double all0 = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
    const Clock::time_point start = Clock::now();
    countingAllocations = counted;
    draw();
    countingAllocations = false;
    const Clock::time_point end = Clock::now();
    mainCpu += cpuMs(CLOCK_THREAD_CPUTIME_ID) - main0;
    allCpu += cpuMs(CLOCK_PROCESS_CPUTIME_ID) - all0;
    ms.push_back(elapsedMs(start, end));
    ++framesSwapped;
}

// Plays scene s through all its frames as the show does, adding to r. With
// the floor, the same frames are first recorded into display lists, and each
// frame is followed by its recorded twin, so that a change in the machine's
// load weighs on both alike. A replayed frame leaves OpenGL as the drawn one
// did (the clear colour of the next frame included). Allocations are counted
// only in counted plays.
void playScene(SceneResult& r, bool lowestStep, bool withFloor, bool counted) {
    const int s = r.scene;
    GLuint lists = 0;
    if (withFloor) {
        startScene(s, lowestStep);
        lists = glGenLists(framesPerScene);
        if (lists == 0) fail("no display lists");
        for (int i = 0; i < framesPerScene; ++i) {
            glNewList(lists + i, GL_COMPILE);
            composeFrame();
            glEndList();
        }
    }
    startScene(s, lowestStep);
    long triangles = 0;
    for (int i = 0; i < framesPerScene; ++i) {
        pumpMessage();
        triangles += countTriangles();
        timeFrame(renderFrame, counted, r.frameMs, r.mainCpuMs, r.allCpuMs);
        if (withFloor) {
            const auto replay = [&] {
                glCallList(lists + i);
                platform::swapBuffers(deviceContext);
            };
            timeFrame(replay, false, r.floorMs, r.floorMainCpuMs, r.floorAllCpuMs);
        }
    }
    if (withFloor) glDeleteLists(lists, framesPerScene);
    r.triangles = static_cast<double>(triangles) / framesPerScene;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

double p95(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p95Fraction * static_cast<double>(v.size())));
    return v[std::max<std::size_t>(rank, 1) - 1];
}

// Instruction profile under callgrind: warm, then only the steady frames
// counted; with recorded, the display-list replays of the same frames.
void profile(int s, bool recorded) {
    const int frames = profileWarmFrames + 1 + profileFrames;
    GLuint lists = 0;
    if (recorded) {
        startScene(s, false);
        lists = glGenLists(frames);
        for (int i = 0; i < frames; ++i) {
            glNewList(lists + i, GL_COMPILE);
            composeFrame();
            glEndList();
        }
    }
    startScene(s, false);
    auto frame = [&](int i) {
        if (recorded) {
            glCallList(lists + i);
            platform::swapBuffers(deviceContext);
        } else {
            renderFrame();
        }
    };
    int i = 0;
    while (i < profileWarmFrames) frame(i++);
#ifdef KELVORA_HAVE_CALLGRIND_H
    CALLGRIND_START_INSTRUMENTATION;
    frame(i++);
    CALLGRIND_ZERO_STATS;
#endif
    while (i < frames) frame(i++);
#ifdef KELVORA_HAVE_CALLGRIND_H
    CALLGRIND_DUMP_STATS_AT("profiled frames");
    CALLGRIND_STOP_INSTRUMENTATION;
#endif
    std::printf("profiled %d frames of scene %d%s\n", profileFrames, s,
                recorded ? " from display lists" : "");
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    startShow();
    std::printf("renderer: %s; %d x %d\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                windowWidth, windowHeight);

    if (options.profileScene >= 0) {
        profile(options.profileScene, options.profileRecorded);
        return 0;
    }

    // Warm-up: one whole scene, fades included, in both modes.
    SceneResult warmUp;
    warmUp.scene = options.scenes.front();
    playScene(warmUp, false, options.floor, false);

    std::vector<SceneResult> results(options.scenes.size());
    for (std::size_t i = 0; i < results.size(); ++i) results[i].scene = options.scenes[i];
    for (int round = 0; round < options.rounds; ++round)
        for (SceneResult& r : results) playScene(r, false, options.floor, true);

    double worstMedian = 0, worstP95 = 0, worstRatio = 0;
    int worstLowerable = -1;  // the slowest scene that F3 can take to step 6
    double worstLowerableMedian = 0;
    for (const SceneResult& r : results) {
        const double m = median(r.frameMs);
        const double p = p95(r.frameMs);
        std::printf("scene %d: median %.1f ms, p95 %.1f ms, %.0f fps, %.0f triangles/frame", r.scene,
                    m, p, 1000.0 / m, r.triangles);
        worstMedian = std::max(worstMedian, m);
        worstP95 = std::max(worstP95, p);
        if (options.floor) {
            const double f = median(r.floorMs);
            std::printf(", floor %.1f ms, ratio %.2f", f, m / f);
            worstRatio = std::max(worstRatio, m / f);
        }
        std::printf("\n");
        if (SceneCatalogue[r.scene].step == 36.0f && m > worstLowerableMedian) {
            worstLowerable = r.scene;
            worstLowerableMedian = m;
        }
    }
    const long timedShowAllocations = showAllocations;
    const long timedOtherAllocations = otherAllocations;
    std::fflush(stdout);

    std::string step6;
    if (options.step6 && worstLowerable >= 0) {
        SceneResult lowest;
        lowest.scene = worstLowerable;
        playScene(lowest, true, false, false);
        const std::vector<double>& ms = lowest.frameMs;
        char text[128];
        std::snprintf(text, sizeof text, "; step-6 worst p95 %.1f ms (scene %d, median %.1f ms)",
                      p95(ms), worstLowerable, median(ms));
        step6 = text;
    }
    std::printf("worst median %.1f ms; worst p95 %.1f ms", worstMedian, worstP95);
    if (options.floor) std::printf("; worst ratio %.2f", worstRatio);
    std::printf("%s\n", step6.c_str());
    std::printf("allocations during timed frames: %ld by the show, %ld by the driver and libraries\n",
                timedShowAllocations, timedOtherAllocations);
    std::printf("processor time per frame (ms), show's thread / all threads:\n");
    for (const SceneResult& r : results) {
        const double n = static_cast<double>(r.frameMs.size());
        std::printf("  scene %d: drawn %.1f / %.1f", r.scene, r.mainCpuMs / n, r.allCpuMs / n);
        if (options.floor)
            std::printf(", recorded %.1f / %.1f", r.floorMainCpuMs / n, r.floorAllCpuMs / n);
        std::printf("\n");
    }
    std::printf("frames swapped in all: %ld\n", framesSwapped);
    return 0;
}
