# The Debian packages that building the program needs, and those that its tests add.
# Sourced by run.sh and test.sh.
build_packages=(g++ cmake ninja-build pkg-config qt6-base-dev libasound2-dev)
# The benchmarks are built with the tests, so that they keep compiling; the playback probe
# records through the PulseAudio client library.
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev libpulse-dev)
# What bench/playback-pulse.sh adds to run: a private PulseAudio server reached through
# ALSA's pulse plugin, its tools, and SoX for comparison.
bench_packages=(pulseaudio pulseaudio-utils libasound2-plugins sox libsox-fmt-alsa)
