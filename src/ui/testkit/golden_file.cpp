#include "ui/testkit/golden_file.h"

#include "ui/testkit/quoting.h"
#include "ui/testkit/text_file.h"

namespace marl {

GoldenLoad LoadGolden(const std::string& path, GoldenScreen* golden, std::string* error) {
  std::string content;
  switch (ReadTextFile(path, &content, error)) {
    case ReadResult::kMissing:
      *error = "no golden screen " + QuotedText(path, 200) +
               "; run with --update-goldens to write it from the window";
      return GoldenLoad::kMissing;
    case ReadResult::kFailed:
      return GoldenLoad::kFailed;
    case ReadResult::kRead:
      break;
  }
  std::string why;
  if (!ParseGolden(content, golden, &why)) {
    *error = PrintableLine(path, 200) + ": " + why;
    return GoldenLoad::kFailed;
  }
  return GoldenLoad::kLoaded;
}

bool SaveGolden(const std::string& path, const GoldenScreen& golden, std::string* error) {
  return WriteTextFile(path, GoldenText(golden), error);
}

}  // namespace marl
