// Measures how long a program takes from its start to the first pixels of its window on
// the X server, for bench/desktop-figures.sh:
//   first_paint_probe PROGRAM [ARGUMENT...]
// starts PROGRAM, watches every top-level window that it creates through the X Damage
// extension, prints "mapped MS" when the first of them is shown and "painted MS" when
// something is first drawn into a shown one, then ends the program (SIGTERM) and waits for
// it. The clock starts just before the program is started, so the figures include loading
// its libraries. Needs an X server without a window manager, where the top-level windows
// are the root window's children. Not a test: the figures depend on the machine.

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Windows smaller than this are the toolkit's helpers, never painted for the user.
constexpr int kSmallestWindow = 16;
constexpr int kTimeoutMs = 60'000;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Free
{
    void operator()(void* p) const { std::free(p); }
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "cannot connect to the X server\n");
        return 1;
    }
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection, &xcb_damage_id);
    if (!damage || !damage->present) {
        std::fprintf(stderr, "the X server has no Damage extension\n");
        return 1;
    }
    std::unique_ptr<xcb_damage_query_version_reply_t, Free> version(xcb_damage_query_version_reply(
        connection, xcb_damage_query_version(connection, 1, 1), nullptr));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t rootEvents = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &rootEvents);
    xcb_flush(connection);

    const auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }

    std::set<xcb_window_t> shown;
    bool mapped = false;
    bool painted = false;
    pollfd input{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (!painted && !xcb_connection_has_error(connection) &&
           MillisecondsSince(start) < kTimeoutMs) {
        std::unique_ptr<xcb_generic_event_t, Free> event(xcb_poll_for_event(connection));
        if (!event) {
            int status = 0;
            if (waitpid(child, &status, WNOHANG) == child) {
                std::fprintf(stderr, "%s ended without showing a window\n", argv[1]);
                return 1;
            }
            poll(&input, 1, 100);
            continue;
        }
        const int type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            // Watched from its creation, so that no drawing before the map goes unseen.
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event.get());
            if (created->parent == root) {
                xcb_damage_create(connection, xcb_generate_id(connection), created->window,
                                  XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                xcb_flush(connection);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
            shown.insert(map->window);
            if (!mapped)
                std::printf("mapped %.1f\n", MillisecondsSince(start));
            mapped = true;
        } else if (type == damage->first_event + XCB_DAMAGE_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(event.get());
            if (shown.count(notify->drawable) && notify->geometry.width >= kSmallestWindow &&
                notify->geometry.height >= kSmallestWindow) {
                std::printf("painted %.1f\n", MillisecondsSince(start));
                painted = true;
            }
        }
    }
    std::fflush(stdout);
    // Ended by its pid; killed if it is still there after ten seconds.
    kill(child, SIGTERM);
    int status = 0;
    for (int tries = 0; waitpid(child, &status, WNOHANG) == 0; ++tries) {
        if (tries == 100)
            kill(child, SIGKILL);
        poll(nullptr, 0, 100);
    }
    xcb_disconnect(connection);
    if (!painted) {
        std::fprintf(stderr, "%s showed no painted window\n", argv[1]);
        return 1;
    }
    return 0;
}
