/* Reports from the numerical library to its caller.
 *
 * Where a computation meets an input outside its domain and carries on with
 * a conventional value, it says so through one replaceable report hook,
 * the way R's mathematics library and Cephes route their domain errors
 * through one routine. The only report today is "MIN_FLAG": MTH_qnorm was
 * asked for the quantile of a probability of 0 or less and returned
 * -MTH_INFINITY.
 *
 * The default hook writes the report and a line end ("MIN_FLAG\n") on
 * standard output. A caller that owns its standard output (a library, a
 * language binding, a server) installs its own hook: to count reports, log
 * them or drop them.
 *
 * Threads: the hook is process-wide, one for all threads. Set it before
 * computing on other threads; a report made while the hook is being replaced
 * goes whole to either the old or the new hook, never to a mix of the two.
 * A hook is called on the thread that computes, in the middle of that
 * computation, and may be called from several threads at once: it must be
 * safe for that, must not unwind (throw or longjmp) through the library and
 * should not compute with the library itself. Usable from C and C++. */
#ifndef VANTOR_NUMERIC_MTH_REPORT_H
#define VANTOR_NUMERIC_MTH_REPORT_H

#ifdef __cplusplus
extern "C" {
#endif

/* Receives one report: `what` is a short fixed word such as "MIN_FLAG",
 * valid during the call only; `context` is the context of the installed
 * record, handed over unread. */
typedef void (*MTH_report_fn)(const char *what, void *context);

/* A report hook: the function and the context it is called with. A null `fn`
 * stands for the default hook (write `what` and a line end on standard
 * output). */
typedef struct MTH_report_hook {
    MTH_report_fn fn;
    void *context;
} MTH_report_hook;

/* Installs `hook` for every later report and returns the hook it replaces
 * ({NULL, NULL} when that was the default), so that a caller can put it back
 * by installing the returned record. A hook with a null `fn` restores the
 * default. */
MTH_report_hook MTH_set_report_hook(MTH_report_hook hook);

/* Hands `what` to the installed hook. */
void MTH_report(const char *what);

#ifdef __cplusplus
}
#endif

#endif
