"""Study.run on executors: a thread pool and a real Dask cluster (a LocalCluster
of two worker processes) evaluate each set's designs and the study ends as a
serial run does; failed evaluations stay failed designs."""
import functools
import os
import tempfile
import unittest
from concurrent.futures import ThreadPoolExecutor

from test_binding import StudyTestCase, sphere


def logged_sphere(log, x):
    """The sphere, failing in one corner; leaves a file in `log` naming the
    process that evaluated it."""
    with tempfile.NamedTemporaryFile(dir=log, prefix=f"{os.getpid()}-", delete=False):
        pass
    if x[0] > 4.0:
        raise ValueError("x1 beyond 4")
    return [sphere(x)]


class ExecutorTest(StudyTestCase):
    def run_and_collect(self, executor):
        log = tempfile.mkdtemp(dir=self.directory)
        study = self.sphere_study(40, nParallel=4)  # in sets of four
        best = study.run(functools.partial(logged_sphere, log), executor=executor)
        records = study.results()
        timings = [(r.pop("seconds"), r.pop("queue_seconds")) for r in records]
        workers = {int(name.split("-")[0]) for name in os.listdir(log)}
        return best, records, timings, workers, len(os.listdir(log))

    def test_executors_end_as_a_serial_run_does(self):
        serial = self.run_and_collect(None)
        self.assertEqual(serial[4], 40)
        self.assertTrue(any(r["error"] == "x1 beyond 4" for r in serial[1]))
        with ThreadPoolExecutor(2) as pool:
            pooled = self.run_and_collect(pool)
        self.assertEqual(pooled[:2], serial[:2])

        from distributed import Client, LocalCluster
        with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                          dashboard_address=None) as cluster, Client(cluster) as client:
            worker_pids = set(client.run(os.getpid).values())
            distributed = self.run_and_collect(client)
        best, records, timings, workers, evaluations = distributed
        self.assertEqual((best, records), serial[:2])
        self.assertEqual(evaluations, 40)  # each design once
        self.assertTrue(workers <= worker_pids and os.getpid() not in workers, workers)
        self.assertTrue(all(seconds > 0.0 and queue >= 0.0 for seconds, queue in timings), timings)


if __name__ == "__main__":
    unittest.main()
