#pragma once

#include <QStringList>
#include <QTextStream>

namespace imgtool {

// quorvane-img [OPTIONS] IN OUT [OPTIONS] OP [ARGS] [OP [ARGS]...]: loads IN ("-" for none), applies
// the operations in order and writes OUT ("-" for no file) in the format its extension names.
// Returns 0 on success, 1 when the engine refused an operation or a file, 2 for bad usage.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

QString usage();

}  // namespace imgtool
