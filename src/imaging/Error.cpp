#include "Error.h"

namespace imaging {

Error::Error(std::int32_t number, QString description, QString source)
    : number(number),
      description(std::move(description)),
      source(std::move(source)),
      what_(this->description.toStdString()) {}

}  // namespace imaging
