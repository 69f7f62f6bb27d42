#include "app/model/project_file.h"

namespace brindle {

QString gProjectFile;
QString gProjectName;
bool gOpening = false;
bool gSaving = false;
std::int64_t PublishFileBytes = 0;

}  // namespace brindle
