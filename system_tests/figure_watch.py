"""Watching a figure of the host while a plug-in measures it, so that a test can hold the
plug-in's figure to the range the host showed meanwhile."""
import threading


class FigureWatch:
    """Calls _sample() as the with block begins, every `period` seconds on a thread of its own
    while the block runs, and once more as it ends."""

    period = 0.05

    def __init__(self):
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def _sample(self):
        raise NotImplementedError

    def _run(self):
        while not self._stop.wait(self.period):
            self._sample()

    def __enter__(self):
        self._sample()
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()
        self._sample()
