"""The Python half of executor_overhead.sh: Study.run serially, on a thread
pool and on a Dask LocalCluster of two worker processes."""
import time
from concurrent.futures import ThreadPoolExecutor

import varno


def answer(values):
    return [1.0]


def per_design(executor):
    with varno.Study("python", {"deleteResults": True}) as study:
        study.create("s")
        study.parameter("x", type="Continuous", id=1, min=-2, baseline=1, max=2)
        study.response("f")
        study.study_data("s", nParallel=4)
        study.method("m", method="TRAVOK", numEvals=40)
        study.variable("x", id=1, resolution=401, distribution="NONE")
        study.objective("f")
        study.finalize()
        start = time.perf_counter()
        study.run(answer, executor=executor)
        waits = [r["queue_seconds"] for r in study.results()]
        return (time.perf_counter() - start) / len(waits), sum(waits) / len(waits)


if __name__ == "__main__":
    from distributed import Client, LocalCluster
    print("python serial: %.4f s per design, mean wait %.4f s" % per_design(None))
    with ThreadPoolExecutor(2) as pool:
        print("python threads: %.4f s per design, mean wait %.4f s" % per_design(pool))
    with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        print("python dask: %.4f s per design, mean wait %.4f s" % per_design(client))
