# The Debian packages that building the program needs, and those that its tests add.
# Sourced by run.sh and test.sh.
build_packages=(g++ cmake ninja-build pkg-config qt6-base-dev libasound2-dev)
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev)
# What bench/playback-pulse.sh adds: a private PulseAudio server reached through ALSA's pulse
# plugin, its client library and tools, and SoX for comparison.
bench_packages=(pulseaudio pulseaudio-utils libasound2-plugins libpulse-dev sox libsox-fmt-alsa)
