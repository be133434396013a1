// The success reply to a Hanja request, written straight from the
// dictionary's entries.
#ifndef ENGINE_HANJA_REPLY_H_
#define ENGINE_HANJA_REPLY_H_

#include <string>
#include <vector>

#include "dictionary/hanja_match.h"

namespace hanja_reply {

// The text of the reply to a Hanja request for `text` whose candidates are
// `runs`, byte for byte what reply::Write(reply::Success(...)) gives for
// the lists of the protocol: the candidates, their matched lengths, and an
// attribute object of annotations, candidate types (0), confidences (0)
// and matched lengths, every list null when there is no candidate. A
// Json::Value array is a tree of nodes, and building five of them cost a
// request hundreds of microseconds; this writes the text in one pass.
// Example, for 대한 with the runs {大韓} (2) and {大} (1):
//   ["SUCCESS",[["대한",["大韓","大"],[2,1],{"annotation":["","큰 대"],
//   "candidate_type":[0,0],"is_confident":[0,0],"matched_length":[2,1]}]]]
// (one line, ended by a line feed).
std::string Write(const std::string& text,
                  const std::vector<hanja_match::Run>& runs);

}  // namespace hanja_reply

#endif  // ENGINE_HANJA_REPLY_H_
