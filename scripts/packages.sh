# The Debian packages that building the program needs, and those that its tests add.
# Sourced by run.sh and test.sh.
# Qt Help finds its documentation through Qt's SQLite driver; the fonts stand in for the
# faces that the window asks for by name; rsvg-convert renders the icon at build time. The
# sound goes to a sound server through libpulse, or to ALSA where none answers.
build_packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-tools-dev
    qt6-documentation-tools libqt6sql6-sqlite libasound2-dev libpulse-dev librsvg2-bin
    fonts-ipafont-gothic fonts-liberation2 fonts-urw-base35)
# The benchmarks are built with the tests, so that they keep compiling; the playback probe
# and the restart timing test record through the PulseAudio client library, the timing test
# at a private PulseAudio and a private PipeWire server in turn. The end-to-end test drives
# the program on a private X server (Xvfb) with real input events, reads its controls back
# through the accessibility bus and records its sound at a private PulseAudio server; aplay
# plays a known tone through ALSA when the harness checks itself. A headless Weston, with and
# without XWayland, and Qt's Wayland platform plugin make the Wayland session that the end-to-end
# test runs the program under. bench/desktop-figures.sh, built with the benchmarks, watches the
# first paint of a window through X's Damage extension.
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool imagemagick dbus dbus-x11 at-spi2-core python3-pyatspi python3-numpy
    weston xwayland qt6-wayland
    pulseaudio pulseaudio-utils libasound2-plugins alsa-utils desktop-file-utils appstream
    pipewire pipewire-pulse wireplumber
    libxcb1-dev libxcb-damage0-dev)
# What scripts/package.sh adds: dpkg-shlibdeps finds the package's library dependencies and
# dpkg-buildflags gives Debian's hardening flags, the validators check its menu entry and
# software-centre description (the tests check them too), and lintian checks the package as
# Debian checks its own.
package_packages=(dpkg-dev desktop-file-utils appstream lintian)
# What bench/playback-pulse.sh adds to run: SoX for comparison.
bench_packages=(pulseaudio pulseaudio-utils libasound2-plugins sox libsox-fmt-alsa)
