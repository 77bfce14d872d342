#pragma once

#include <QtGlobal>
#include <functional>

// Spreads a kernel over bands of rows on a small pool of threads. Every row is computed by
// exactly one band and no kernel lets a row depend on where bands start, so results are the
// same bits at any thread count.
namespace imaging::effects {

// Calls body(firstRow, endRow) for bands covering [0, rows) and returns when all are done.
// `pixelsPerRow` sizes the work: small jobs run on the calling thread alone. An exception
// thrown by a band is rethrown here once every band has finished.
void forEachRowBand(int rows, qint64 pixelsPerRow, const std::function<void(int, int)>& body);

// Threads used for a job: QUORVANE_THREADS when set, else the number of processor cores.
int threadCount();

// Overrides threadCount(); 0 returns to the default.
void setThreadCount(int count);

}  // namespace imaging::effects
