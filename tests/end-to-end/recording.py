"""Recording the null sink's monitor with parec while something plays."""

import os
import signal
import subprocess
import time

import tone_analysis


class Recording:
    """parec writing raw 16-bit stereo frames of the sink's monitor to a file, from the
    moment it has started until `stop`."""

    def __init__(self, path):
        self.path = path
        sink = os.environ["SESSION_SINK"]
        self.file = open(path, "wb")
        self.process = subprocess.Popen(
            ["parec", f"--device={sink}.monitor", "--raw", "--format=s16le",
             f"--rate={tone_analysis.RATE}", "--channels=2", "--latency-msec=20"],
            stdout=self.file)
        # The stream delivers as soon as it is connected; wait until data arrives.
        deadline = time.monotonic() + 30
        while os.path.getsize(path) == 0:
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.stop()
                raise AssertionError("parec recorded nothing")
            time.sleep(0.05)

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGINT)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.file.close()
        return tone_analysis.load(self.path)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
