"""The Python binding against the shared library: ask/tell, shared designs,
failed evaluations, errors with the library's messages, the end of a study."""
import math
import os
import shutil
import sys
import tempfile
import types
import unittest
from pathlib import Path
from unittest import mock

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "python"))
import varno  # noqa: E402
from varno import Study, VarnoError, definition_text  # noqa: E402

OPTIMUM = (1.2, -0.7, 2.3)


def sphere(x):
    return 1.0 + sum((a - b) ** 2 for a, b in zip(x, OPTIMUM))


class StudyTestCase(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory(dir=os.environ.get("VARNO_ROOT"))
        self.addCleanup(scratch.cleanup)
        self.directory = scratch.name

    def new_study(self, name, type="optimization"):
        study = Study(self.directory, {"deleteResults": True})
        self.addCleanup(study.end)
        study.create(name, type=type)
        return study

    def sphere_study(self, budget, seed=0.5, **study_data):
        study = self.new_study("sphere")
        for i in range(1, 4):
            study.parameter(f"x{i}", type="Continuous", id=i, min=-5, baseline=-4, max=5)
        study.response("f")
        study.study_data("sphere", randomSeed=seed, **study_data)
        study.method("search", method="TRAVOK", numEvals=budget)
        for i in range(1, 4):
            study.variable(f"x{i}", id=i, resolution=1001)
        study.objective("f")
        study.finalize()
        return study

    def sweep_study(self, **accepted):
        """A design sweep over x1, x2 in [0, 10] with objective f and constraint g <= 5."""
        study = self.new_study("sweep", "evaluation")
        for i in (1, 2):
            study.parameter(f"x{i}", type="Continuous", id=i, min=0, baseline=5, max=10)
        study.response("f", **accepted)
        study.response("g")
        study.study_data("sweep")
        study.method("sweep", method="DesignSweep", numEvalsTotal=100)
        for i in (1, 2):
            study.variable(f"x{i}", id=i, resolution=101)
        study.objective("f")
        study.constraint("g", target=5)
        study.finalize()
        return study


class DefinitionTextTest(unittest.TestCase):
    def test_keys_lists_booleans_and_full_precision(self):
        text = definition_text({"type": "Continuous", "min": -5, "scale": 0.1 + 0.2, "flag": True,
                                "off": False, "skipped": None, "values": ["a", "b c", 3],
                                "data": [(0, 1.5), (2, 3, 0.5)]})
        self.assertEqual(text.split("\n"), [
            "type: Continuous", "min: -5", "scale: 0.30000000000000004", "flag: yes", "off: no",
            "values:3", "a", "b c", "3", "data:2", "0, 1.5", "2, 3, 0.5"])


class TravokTest(StudyTestCase):
    def test_ask_tell_loop_spends_the_budget_with_new_designs_and_finds_the_best(self):
        budget = 150
        study = self.sphere_study(budget)
        evaluated = {}
        while not study.complete:
            designs = study.ask()
            if not designs:
                break
            self.assertTrue(all(d.id not in evaluated and len(d.values) == 3
                                and all(abs(v) <= 5 for v in d.values) for d in designs), designs)
            evaluated.update((d.id, d.values) for d in designs)
            study.tell({d.id: [sphere(d.values)] for d in designs})

        self.assertEqual(sorted(evaluated), list(range(1, budget + 1)))
        self.assertEqual(len({tuple(v) for v in evaluated.values()}), budget)
        self.assertEqual(study.ask(), [])
        best_id, performance = study.best()
        lowest = min(sphere(v) for v in evaluated.values())
        self.assertAlmostEqual(sphere(evaluated[best_id]), lowest, places=12)
        self.assertAlmostEqual(performance, -lowest, places=9)
        self.assertEqual(study.status(best_id), 2)
        self.assertEqual(study.status(budget + 1), 4)
        self.assertIsNone(study.performance(budget + 1))

    def test_run_gives_the_same_study_for_the_same_seed(self):
        first = self.sphere_study(60, seed=0.25).run(lambda x: [sphere(x)])
        self.assertIsNotNone(first)
        self.assertEqual(self.sphere_study(60, seed=0.25).run(lambda x: [sphere(x)]), first)

    def test_tell_refuses_ids_not_handed_out_and_takes_a_scalar_for_one_response(self):
        study = self.sphere_study(50)
        first, *others = study.ask()
        study.tell({first.id: sphere(first.values)})
        for wrong in (999, first.id):  # never handed out; already told
            with self.assertRaises(ValueError) as caught:
                study.tell({others[0].id: 1.0, wrong: 1.0})
            self.assertIn(f"design {wrong} was not handed out", str(caught.exception))
        study.tell({d.id: sphere(d.values) for d in others})
        self.assertEqual(study.performance(others[0].id), -sphere(others[0].values))


class SweepTest(StudyTestCase):
    GRID = [[float(a), float(b)] for a in (1, 4, 7) for b in (2, 5, 8)]

    def test_share_ask_tell(self):
        study = self.sweep_study()
        ids = study.share(self.GRID, prefix="grid")
        self.assertEqual(ids, list(range(1, 10)))
        designs = study.ask()
        self.assertEqual([(d.id, d.values) for d in designs], list(zip(ids, self.GRID)))
        study.tell({d.id: [d.values[0] ** 2 + d.values[1], d.values[0]] for d in designs})
        self.assertTrue(study.complete)
        self.assertEqual([study.status(d.id) for d in designs], [2] * 6 + [3] * 3)
        self.assertEqual(study.best(), (1, -3.0))

    def test_shared_results_and_a_rejected_duplicate(self):
        study = self.sweep_study()
        with self.assertRaises(VarnoError) as caught:
            study.share([[1.0, 1.0], [2.0, 2.0], [1.0, 1.0]], results=[[1.0, 0.0], None, None])
        self.assertEqual(caught.exception.ids, [1, 2, 0])
        self.assertIn("is a duplicate of design", str(caught.exception))
        self.assertEqual([d.id for d in study.ask()], [2], "design 1 came with its results")
        study.tell({2: [4.0, 2.0]})
        self.assertEqual([study.performance(1), study.performance(2)], [-1.0, -4.0])

    def test_failed_evaluations_give_status_zero_and_wrong_counts_of_values_are_refused(self):
        study = self.sweep_study()
        study.share(self.GRID[:4])
        designs = study.ask()
        for wrong in ([], [1.0], [1.0, 2.0, 3.0], 3.0):  # a scalar only for one response
            with self.assertRaises(ValueError):
                study.tell({1: wrong})
        study.tell({1: [1.0, 1.0], 2: None, 3: RuntimeError("solver crashed"), 4: [2.0, 1.0]})
        self.assertEqual([study.status(d.id) for d in designs], [2, 0, 0, 2])
        self.assertEqual(study.best()[0], 1)

    def test_values_outside_the_accepted_range_are_logged_with_the_design_name(self):
        study = self.sweep_study(acceptMin=0, acceptMax=10)
        study.share([[0.0, 0.0], [2.0, 2.0]])
        study.ask()
        study.tell({1: [50.0, 0.0], 2: [math.nan, 0.0]}, names={1: "renamed"})
        self.assertEqual([study.status(1), study.status(2)], [0, 0])
        messages = study.messages()
        self.assertEqual(len(messages), 2)
        self.assertIn("The value 50 for response \"f\" for design \"renamed\"", messages[0])
        self.assertIn("NOT A NUMBER", study.last_message())
        study.clear_messages()
        self.assertEqual(study.messages(), [])

    def test_results_have_one_record_per_told_design(self):
        study = self.sweep_study()
        study.share([[0.0, 0.0]], results=[[7.0, 1.0]])
        study.share([[1.0, 2.0], [3.0, 4.0]])
        self.assertEqual([d.id for d in study.ask()], [2, 3])
        study.tell({2: [1.0, 9.0], 3: RuntimeError("diverged")})
        keys = ("id", "status", "performance", "x1", "x2", "f", "g", "error", "seconds",
                "queue_seconds")  # the times are None: told, not evaluated by run()
        expected = [dict(zip(keys, row)) for row in (
            (1, 2, -7.0, 0.0, 0.0, 7.0, 1.0, None, None, None),
            (2, 3, study.performance(2), 1.0, 2.0, 1.0, 9.0, None, None, None),
            (3, 0, study.performance(3), 3.0, 4.0, None, None, "diverged", None, None))]
        with mock.patch.dict(sys.modules, {"pandas": None}):  # import pandas fails
            self.assertEqual(study.results(), expected)
        frames = []
        fake = types.SimpleNamespace(DataFrame=types.SimpleNamespace(
            from_records=lambda records, columns: frames.append((records, columns)) or "frame"))
        with mock.patch.dict(sys.modules, {"pandas": fake}):
            self.assertEqual(study.results(), "frame")
        self.assertEqual(frames, [(expected, list(expected[0]))])


class ErrorTest(StudyTestCase):
    def test_a_bad_definition_raises_with_the_library_message(self):
        study = self.new_study("bad")
        with self.assertRaises(VarnoError) as caught:
            study.parameter("x", type="Continuous", id=1, min=3, baseline=2, max=1)
        error, reason = caught.exception, "Lower bound (3) must be less than upper bound (1)."
        call = "VARNO_defineNewProjectParameter"
        self.assertEqual((error.call, error.reason, str(error)),
                         (call, reason, f"{call} failed: {reason}"))
        self.assertIn("Run exiting due to an error", error.log)
        # After an engine error the library refuses everything until reinitialised ...
        with self.assertRaises(VarnoError):
            study.response("f")
        # ... and a new Study starts afresh: the corrected study runs.
        retry = self.sphere_study(20)
        self.assertIsNotNone(retry.run(lambda x: [sphere(x)]))
        self.assertNotIn("Lower bound", retry.message_log())

    def test_a_refusal_names_its_reason_and_a_silent_failure_none(self):
        study = self.sphere_study(50)
        study.ask()
        with self.assertRaises(VarnoError) as caught:
            study.ask()
        self.assertTrue(caught.exception.reason.startswith("Already working on generating"))
        with mock.patch.object(study, "_lib", wraps=study._lib) as lib:
            lib.VARNO_generateReportFile.return_value = 0
            with self.assertRaises(VarnoError) as silent:
                study.write_report()
        self.assertIsNone(silent.exception.reason)
        self.assertIn("the library gave no reason", str(silent.exception))

    def test_calls_in_the_wrong_state_raise(self):
        study = self.new_study("early")
        for call in (study.ask, study.pareto, lambda: study.status(1), study.best):
            with self.assertRaises(VarnoError) as caught:
                call()
            self.assertIn("cannot be done before finalizing the study.", caught.exception.reason)
        with self.assertRaises(VarnoError) as caught:
            study.int_data(6)
        self.assertIn("Unsupported ID used with VARNO_getIntStudyData.", str(caught.exception))


class LifecycleTest(StudyTestCase):
    def test_the_context_manager_ends_the_study_also_when_the_block_raises_and_a_new_one_replaces_it(self):
        message_file = Path(self.directory) / "Solver_msg.log"
        with self.assertRaises(KeyError):
            with Study(self.directory, {"deleteResults": True}) as study:
                study.create("s")
                self.assertTrue(message_file.exists())
                raise KeyError("host failure")
        self.assertFalse(message_file.exists(), "ending the study removes its message file")
        self.assertFalse(study.end(), "already ended")
        self.assertEqual(varno.load_library().VARNO_endStudy(), 0, "no study is left")
        # A new study replaces the previous one.
        first = Study(self.directory)
        second = Study(self.directory)
        self.assertFalse(first.end(), "the library discarded the first study")
        self.assertTrue(second.end())

    def test_varno_root_defaults_to_the_working_directory_of_each_study(self):
        with mock.patch.dict(os.environ):
            os.environ.pop("VARNO_ROOT", None)
            first = os.path.join(self.directory, "first")
            with Study(first):
                self.assertEqual(os.environ["VARNO_ROOT"], first)
            shutil.rmtree(first)  # the first root is gone: the next study needs its own
            second = os.path.join(self.directory, "second")
            with Study(second) as study:
                self.assertEqual(os.environ["VARNO_ROOT"], second)
                study.create("s")
            os.environ["VARNO_ROOT"] = self.directory  # the host's own root is kept
            with Study(first):
                self.assertEqual(os.environ["VARNO_ROOT"], self.directory)
