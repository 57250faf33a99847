#include "protocol/Identity.h"

#include "common/Text.h"

Identity IdentityFromReplies(const std::string& replyQ, const std::string& replyVersion) {
  Identity identity;
  identity.present = CharsFromTo(replyVersion, 3, 6) == "TK20";
  identity.mpg = identity.present && CharsFromTo(replyVersion, 7, 9) == "MPG";
  // The unit's words are data: wherever they go (a file header, a terminal, a folder name) no
  // control character of theirs may act.
  identity.id = EscapedText(CharsFromTo(replyQ, 3, 9));
  identity.version = EscapedText(replyVersion.size() > 2 ? replyVersion.substr(2) : std::string());
  return identity;
}
