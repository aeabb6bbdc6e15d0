"""The Study class: one VARNO study driven through the C interface."""
import ctypes
import inspect
import numbers
import os
import time
from ctypes import POINTER, byref, c_char_p, c_double, c_int, c_void_p
from typing import List, NamedTuple

from ._lib import load_library

__all__ = ["Study", "Design", "VarnoError", "definition_text", "build_number"]

_FATAL_TRAILER = "Run exiting due to an error"
_ERROR_HEADER = "*ERROR\n"
_int_p = POINTER(c_int)
_double_p = POINTER(c_double)
_double_pp = POINTER(_double_p)

# The library holds one study per process; a new Study discards the previous.
_active = None
# The VARNO_ROOT this binding set (None: the host's own, or none set yet).
_root_set_here = None


class VarnoError(Exception):
    """A library call failed. `call` names the C function, `reason` is the
    library's message about the failure (None when it gave none) and `log`
    the whole message log at the time."""

    def __init__(self, call, reason=None, log="", **details):
        self.call, self.reason, self.log = call, reason, log
        self.__dict__.update(details)
        super().__init__(f"{call} failed: {reason or 'the library gave no reason'}")


def _failure_reason(log, last, appended):
    """The message that explains a failed call. An engine error ends the log
    with the fatal trailer after an "*ERROR" entry: that entry's text. Else the
    newest entry, when the call appended one."""
    if last == _FATAL_TRAILER:
        body = log[:log.rfind(_FATAL_TRAILER)].rstrip()
        start = body.rfind(_ERROR_HEADER)
        return body[start + len(_ERROR_HEADER):].strip() if start >= 0 else body or None
    if appended and last:
        return last.strip()
    return None


def _timed_evaluation(evaluate, values, submitted):
    """Runs one evaluation where it is sent: (result or the exception it
    raised, seconds it took, seconds it waited since `submitted`)."""
    began = time.time()
    try:
        value = evaluate(values)
    except Exception as failure:  # a failed evaluation, not a host bug
        value = failure
    return value, time.time() - began, max(0.0, began - submitted)


def _evaluate_on(executor, evaluate, designs):
    """Evaluates a set of designs on an executor, all submitted at once; the
    outcomes come back in the order of `designs`."""
    submit = executor.submit
    try:
        # Dask would merge tasks it takes for the same pure computation.
        extra = {"pure": False} if "pure" in inspect.signature(submit).parameters else {}
    except (TypeError, ValueError):
        extra = {}
    futures = [submit(_timed_evaluation, evaluate, list(design.values), time.time(), **extra)
               for design in designs]
    outcomes = []
    for future in futures:
        try:
            outcomes.append(future.result())
        except Exception as lost:  # the task itself failed: the worker died, it was cancelled
            outcomes.append((lost, None, None))
    return outcomes


class Design(NamedTuple):
    """A design handed out by the study: its id and its values (study
    variables in study order, then the project's numeric parameters)."""
    id: int
    values: List[float]


def _scalar(value):
    if isinstance(value, bool):
        return "yes" if value else "no"
    if isinstance(value, float):
        return repr(value)
    if isinstance(value, (list, tuple)):
        return ", ".join(_scalar(item) for item in value)
    return str(value)


def definition_text(keys):
    """Turn a mapping into "key: value" lines. Lists and tuples become the
    counted form ("key:N" and one line per item; a nested sequence is one
    comma-separated line), booleans yes/no; None values are left out."""
    lines = []
    for key, value in keys.items():
        if value is None:
            continue
        if isinstance(value, (list, tuple)):
            lines.append(f"{key}:{len(value)}")
            lines.extend(_scalar(item) for item in value)
        else:
            lines.append(f"{key}: {_scalar(value)}")
    return "\n".join(lines)


def _encode(text):
    return None if text is None else str(text).encode("utf-8")


def _decode(pointer):
    return ctypes.string_at(pointer).decode("utf-8", "replace")


def _default_root(directory):
    """The library needs VARNO_ROOT: when the host has not set it, it is the
    study's working directory, and follows each new Study's directory."""
    global _root_set_here
    current = os.environ.get("VARNO_ROOT")
    if current is None or current == _root_set_here:
        os.environ["VARNO_ROOT"] = _root_set_here = directory


def build_number():
    """Build number of the loaded library."""
    return load_library().VARNO_getBuildNumber()


class Study:
    """One study of the process-wide library.

    `working_directory` (default: the current directory) receives every file
    the study writes. The library needs the environment variable VARNO_ROOT;
    when it is unset it is set to the working directory. `options` is a
    mapping or a definition text with the keys of VARNO_initializeStudySetup
    (e.g. {"deleteResults": True}). Used as a context manager, leaving the
    block ends the study.
    """

    def __init__(self, working_directory=None, options=None):
        global _active
        self._lib = load_library()
        directory = os.path.abspath(working_directory or os.getcwd())
        os.makedirs(directory, exist_ok=True)
        _default_root(directory)
        text = options if isinstance(options, str) else definition_text(options or {})
        if working_directory is not None:
            text = f"workingDirectory: {directory}\n{text}"
        self.working_directory = directory
        self._variables, self._parameters, self._responses = [], [], []
        self._pending, self._records, self._timings = {}, {}, {}
        if _active is not None:
            _active._ended = True
        _active, self._ended = self, False
        try:
            self._require("VARNO_initializeStudySetup", _encode(text or None))
        except VarnoError:
            self.end()  # leaves the library free for the next Study
            raise

    # --- context manager and end ------------------------------------------
    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.end()
        return False

    def end(self):
        """End the study (VARNO_endStudy); False when it was already ended.
        This empties the message log."""
        global _active
        if self._ended:
            return False
        self._ended = True
        if _active is self:
            _active = None
        return self._lib.VARNO_endStudy() == 1

    # --- message log --------------------------------------------------------
    def message_log(self):
        """The whole message log, entries separated by a blank line."""
        pointer = self._lib.VARNO_getMessageLog()
        if not pointer:
            return ""
        try:
            return _decode(pointer)
        finally:
            self._lib.VARNO_freePtr(pointer)

    def messages(self):
        """The log entries, oldest first (the log split at its blank lines)."""
        text = self.message_log()
        return text.split("\n\n") if text else []

    def last_message(self):
        """The newest log entry, or None."""
        pointer = self._lib.VARNO_getLastMessage()
        return _decode(pointer) if pointer else None

    def clear_messages(self):
        self._lib.VARNO_clearMessageLog()

    def _marker(self):
        # Address of the newest entry: a call that appends one changes it.
        return ctypes.cast(self._lib.VARNO_getLastMessage(), c_void_p).value

    def _complained(self, marker):
        """Whether the log gained an entry since `marker`, or holds a fatal error."""
        return self._marker() != marker or self.last_message() == _FATAL_TRAILER

    def _error(self, call, marker=None, **details):
        last = self.last_message()
        appended = marker is None or self._marker() != marker
        log = self.message_log()
        return VarnoError(call, _failure_reason(log, last, appended), log, **details)

    def _require(self, call, *args):
        marker = self._marker()
        if getattr(self._lib, call)(*args) != 1:
            raise self._error(call, marker)

    # --- set-up ---------------------------------------------------------------
    def _define(self, call, name, keys):
        self._require(call, _encode(name), _encode(definition_text(keys)))

    def create(self, name, type="optimization", **keys):
        """Create the study's agent: optimization, doe, reliability and
        robustness, or evaluation."""
        self._define("VARNO_createNewStudy", name, dict(type=type, **keys))

    def parameter(self, name, **keys):
        """Project parameter, e.g. type="Continuous", id=1, min=0, baseline=1, max=2."""
        self._define("VARNO_defineNewProjectParameter", name, keys)
        self._parameters.append(name)

    def discrete_set(self, name, values, ordered=0, **keys):
        self._define("VARNO_defineNewDiscreteSet", name,
                     dict(ordered=ordered, values=list(values), **keys))

    def distribution(self, name, **keys):
        self._define("VARNO_defineNewDistribution", name, keys)

    def curve(self, name, **keys):
        """A curve; `data` is a list of (x, y) or (x, y, weight) points."""
        self._define("VARNO_defineNewCurve", name, keys)

    def format(self, name, **keys):
        self._define("VARNO_defineNewFormat", name, keys)

    def response(self, name, type="API", **keys):
        """Project response; by default one whose values the host returns."""
        self._define("VARNO_defineNewProjectResponse", name, dict(type=type, **keys))

    def study_data(self, name, **keys):
        defaults = dict(startAgent=0, endAgent=0, filePrefix=name, randomSeed=0.5, mode="newStudy")
        self._define("VARNO_defineStudyLevelData", name, {**defaults, **keys})

    def method(self, name, **keys):
        """Search method, e.g. method("search", method="TRAVOK", numEvals=300)."""
        self._define("VARNO_defineSearchMethodData", name, keys)

    def options(self, name="options", **keys):
        """Runtime options, e.g. options(verbose=True)."""
        self._define("VARNO_defineStudyRuntimeOptions", name, keys)

    def variable(self, name, **keys):
        """Study variable; defaults type Continuous, distribution NONE."""
        defaults = dict(type="Continuous", distribution="NONE")
        self._define("VARNO_addVariableToStudy", name, {**defaults, **keys})
        self._variables.append(name)

    def doe_factor(self, name, **keys):
        self._define("VARNO_addDOEFactorToStudy", name, {"type": "Continuous", **keys})

    _unbounded = dict(acceptMin=-1e300, acceptMax=1e300)

    def objective(self, name, **keys):
        """Objective; defaults: minimise (option min_value), factor 1,
        linear weight 1, no quadratic weight, target 0, open accepted range."""
        defaults = dict(factor=1, option="min_value", target=0, quadWt=0, linearWt=1,
                        **self._unbounded)
        self._define("VARNO_addResponseToStudy", name, {"type": "objective", **defaults, **keys})
        self._responses.append(name)

    def constraint(self, name, **keys):
        """Constraint (give `target`); defaults: option less_equal, factor 1,
        quadratic weight 1, open accepted range."""
        defaults = dict(factor=1, option="less_equal", quadWt=1, linearWt=0, **self._unbounded)
        self._define("VARNO_addResponseToStudy", name, {"type": "constraint", **defaults, **keys})
        self._responses.append(name)

    def study_response(self, name, **keys):
        """Plain study response (recorded, not judged); default goal NONE."""
        defaults = dict(goal="NONE", **self._unbounded)
        self._define("VARNO_addResponseToStudy", name, {"type": "response", **defaults, **keys})
        self._responses.append(name)

    def finalize(self):
        self._require("VARNO_finalizeStudyData")

    # --- design cycle ---------------------------------------------------------
    def _value_count(self):
        return self.int_data(1) + self.int_data(3)

    def _response_count(self):
        return self.int_data(2)

    def ask(self):
        """The designs to evaluate now (an empty list when none come). Only the
        designs the library counts are returned; their values are copies."""
        ids, values = _int_p(), _double_pp()
        marker = self._marker()
        count = self._lib.VARNO_getNextSetOfDesignsFromStudy(byref(ids), byref(values))
        try:
            if count <= 0:
                if not self.complete and self._complained(marker):
                    raise self._error("VARNO_getNextSetOfDesignsFromStudy", marker)
                return []
            width = self._value_count()
            designs = [Design(ids[k], values[k][:width]) for k in range(count)]
            self._pending.update((design.id, design.values) for design in designs)
            return designs
        finally:
            self._lib.VARNO_freePtr(ids)  # both blocks, never the value arrays
            self._lib.VARNO_freePtr(values)

    def _rows(self, rows, width, what):
        """A double** over `rows` (None entries stay NULL) and the buffers it uses."""
        pointers, keep = (_double_p * len(rows))(), []
        for k, row in enumerate(rows):
            if row is None:
                continue
            row = [float(v) for v in row]
            if len(row) != width:
                raise ValueError(f"{what} {k} has {len(row)} values, the study expects {width}")
            buffer = (c_double * width)(*row)
            keep.append(buffer)
            pointers[k] = ctypes.cast(buffer, _double_p)
        return pointers, keep

    @staticmethod
    def _names(names, count):
        if names is None:
            return None
        return (c_char_p * count)(*[_encode(name) for name in names])

    def _result_row(self, design_id, values, width):
        """The response values of one design as a list (None when it failed)."""
        if values is None or isinstance(values, BaseException):
            return None
        if isinstance(values, numbers.Real):
            if width != 1:
                raise ValueError(f"a single value for design {design_id}, "
                                 f"the study expects {width} responses")
            return [float(values)]
        return [float(v) for v in values]

    def tell(self, results, names=None):
        """Return results: a mapping id -> response values in study-response
        order (a plain number when the study has one response), or None / an
        exception instance for a failed evaluation (error flag 1). Every id
        must be one that ask() handed out and that has no results yet.
        `names` optionally maps ids to new design names."""
        items = list(dict(results).items())
        unknown = [design_id for design_id, _ in items if design_id not in self._pending]
        if unknown:
            raise ValueError(f"design {unknown[0]} was not handed out by ask() "
                             "or already has results")
        count, width = len(items), self._response_count()
        told = [self._result_row(design_id, values, width) for design_id, values in items]
        failed = [row is None for row in told]
        rows, keep = self._rows([[0.0] * width if row is None else row for row in told],
                                width, "result")
        ids = (c_int * count)(*[design_id for design_id, _ in items])
        flags = (c_int * count)(*[int(bad) for bad in failed])
        labels = None if names is None else self._names(
            [names.get(design_id) for design_id, _ in items], count)
        marker = self._marker()
        result = self._lib.VARNO_updateResultsForDesignSet(count, ids, flags, rows, labels)
        if result != 1:
            raise self._error("VARNO_updateResultsForDesignSet", marker, code=result)
        for (design_id, values), row in zip(items, told):
            error = str(values) if isinstance(values, BaseException) else None
            self._records[design_id] = (self._pending.pop(design_id), row, error)

    def share(self, designs, evaluation_type=2, results=None, prefix="host", names=None):
        """Share the host's designs (value lists), optionally with results
        (a list holding response lists or None). `evaluation_type` is 1
        (values moved onto the variables' levels) or 2 (kept as given), or a
        list of them. Returns the ids given; a rejected design raises
        VarnoError whose `ids` attribute holds them (0 for a rejected one)."""
        count = len(designs)
        types = [evaluation_type] * count if isinstance(evaluation_type, int) else evaluation_type
        if len(types) != count:
            raise ValueError(f"{len(types)} evaluation types for {count} designs")
        width, n_responses = self._value_count(), self._response_count()
        rows, keep = self._rows(designs, width, "design")
        responses = None
        if results is not None:
            responses, more = self._rows(results, n_responses, "result")
            keep += more
        out, marker = _int_p(), self._marker()
        result = self._lib.VARNO_shareDesigns(
            _encode(prefix), count, (c_int * count)(*types), width, rows, n_responses, responses,
            byref(out), self._names(names, count))
        ids = [out[k] for k in range(count)] if out else []
        self._lib.VARNO_freePtr(out)
        for k, design_id in enumerate(ids):
            if design_id > 0 and results is not None and results[k] is not None:
                self._records[design_id] = ([float(v) for v in designs[k]],
                                            [float(v) for v in results[k]], None)
        if result != 1:
            raise self._error("VARNO_shareDesigns", marker, ids=ids)
        return ids

    def run(self, evaluate, executor=None):
        """Ask/evaluate/tell until no designs come. `evaluate(values)` returns
        the response values; an exception it raises marks the design failed.

        With `executor` (a dask.distributed Client or any
        concurrent.futures.Executor) the designs of each set are submitted to
        it at once and evaluated there; `evaluate` must then be something the
        executor can ship (for Dask workers in other processes: picklable).
        A design whose task fails or is lost is a failed design. Each design's
        evaluation time and its wait before it began go to results() as
        "seconds" and "queue_seconds"."""
        while not self.complete:
            designs = self.ask()
            if not designs:
                break
            if executor is None:
                outcomes = [_timed_evaluation(evaluate, design.values, time.time())
                            for design in designs]
            else:
                outcomes = _evaluate_on(executor, evaluate, designs)
            results = {}
            for design, (value, seconds, queue_seconds) in zip(designs, outcomes):
                results[design.id] = value
                self._timings[design.id] = (seconds, queue_seconds)
            self.tell(results)
        return self.best()

    @property
    def complete(self):
        """True when no further designs will be produced."""
        return self._lib.VARNO_isStudyComplete() == 1

    @property
    def share_supported(self):
        return self._lib.VARNO_isShareDesignsSupported() == 1

    # --- queries -------------------------------------------------------------
    def performance(self, design_id):
        """Performance (larger is better) of a design, None for an unknown id."""
        value, marker = c_double(), self._marker()
        if self._lib.VARNO_getPerformanceValueForDesign(design_id, byref(value)) == 1:
            return value.value
        if self._complained(marker):
            raise self._error("VARNO_getPerformanceValueForDesign", marker)
        return None

    def status(self, design_id):
        """0 error, 1 evaluated without goals, 2 feasible, 3 infeasible,
        4 not evaluated or unknown id."""
        marker = self._marker()
        status = self._lib.VARNO_getDesignStatus(design_id)
        if status == 0 and self._complained(marker):
            raise self._error("VARNO_getDesignStatus", marker)
        return status

    def best(self):
        """(id, performance) of the best design, or None when there is none."""
        marker = self._marker()
        design_id = self._lib.VARNO_getBestDesignId()
        if design_id == 0:
            if self._complained(marker):
                raise self._error("VARNO_getBestDesignId", marker)
            return None
        return design_id, self.performance(design_id)

    def int_data(self, data_id):
        """Study counts: 0 archive size, 1 variables, 2 responses, 3 numeric
        parameters, 4 objectives, 5 constraints."""
        marker = self._marker()
        value = self._lib.VARNO_getIntStudyData(data_id)
        if value == 0 and self._complained(marker):
            raise self._error("VARNO_getIntStudyData", marker)
        return value

    def pareto(self):
        """The Pareto set as a list of (id, rank)."""
        ids, ranks = _int_p(), _int_p()
        marker = self._marker()
        count = self._lib.VARNO_getParetoDesignIds(byref(ids), byref(ranks))
        try:
            if count <= 0:
                raise self._error("VARNO_getParetoDesignIds", marker)
            return [(ids[k], ranks[k]) for k in range(count)]
        finally:
            self._lib.VARNO_freePtr(ids)
            self._lib.VARNO_freePtr(ranks)

    def results(self):
        """Every design with results, in the order they came: id, status,
        performance, the values by variable (and fixed parameter) name, the
        responses by name and the error of a failed evaluation. A pandas
        DataFrame when pandas can be imported, else a list of dicts."""
        value_names = self._value_names() if self._records else list(self._variables)
        records = []
        for design_id, (values, responses, error) in self._records.items():
            record = {"id": design_id, "status": self.status(design_id),
                      "performance": self.performance(design_id)}
            record.update(zip(value_names, values))
            record.update(zip(self._responses, responses or [None] * len(self._responses)))
            record["error"] = error
            record["seconds"], record["queue_seconds"] = self._timings.get(design_id,
                                                                           (None, None))
            records.append(record)
        try:
            import pandas
        except ImportError:
            return records
        columns = ["id", "status", "performance", *value_names, *self._responses, "error",
                   "seconds", "queue_seconds"]
        return pandas.DataFrame.from_records(records, columns=columns)

    def _value_names(self):
        """Names of a design's values: the variables, then the fixed numeric
        parameters (parameter<k> when they cannot be told apart by name)."""
        extra = self._value_count() - len(self._variables)
        fixed = [name for name in self._parameters if name not in self._variables]
        if len(fixed) != extra:
            fixed = [f"parameter{k + 1}" for k in range(extra)]
        return self._variables + fixed

    # DOE analysis results: arrays owned by the library, copied out, not freed.
    def _doe(self, call, *counts):
        marker = self._marker()
        pointer = getattr(self._lib, call)(*[byref(count) for count in counts])
        if not pointer and self._complained(marker):
            raise self._error(call, marker)
        return pointer

    def factor_names(self):
        count = c_int()
        names = self._doe("VARNO_getFactorNames", count)
        return [names[k].decode("utf-8", "replace") for k in range(count.value)] if names else []

    def interaction_names(self):
        count = c_int()
        names = self._doe("VARNO_getInteractionNames", count)
        return [(names[k] or b"").decode("utf-8", "replace")
                for k in range(count.value)] if names else []

    def contributions(self):
        count = c_int()
        values = self._doe("VARNO_getPercentContribution", count)
        return values[:count.value] if values else []

    def effects(self):
        """DOE effects: one row per level, one value per column."""
        levels, terms = c_int(), c_int()
        rows = self._doe("VARNO_getDOEEffectsData", levels, terms)
        return [rows[k][:terms.value] for k in range(levels.value)] if rows else []

    # --- result files -----------------------------------------------------------
    def write_report(self):
        self._require("VARNO_generateReportFile")

    def write_design_results(self):
        self._require("VARNO_generateDesignResultsFile")

    def write_study_results(self):
        self._require("VARNO_generateStudyResultsFiles")
