// Prints the digest line of every corpus case, to record the expected file
// of FormParserCorpusTest: form_corpus_digest [count] > tests/grammar/data/form_corpus.digest
#include <cstdio>
#include <cstdlib>

#include "FormCorpusDigest.h"
#include "grammar/TarnFormParser.h"

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 4000;
  migwiz::testing::FormCorpus corpus(12);
  migwiz::grammar::TTarnFormParser parser(
      migwiz::grammar::ParseStateClassOf<migwiz::grammar::TFormParseState>());
  for (int i = 0; i < count; ++i)
    std::printf("%s\n", migwiz::testing::DigestLine(parser, corpus.Next()).c_str());
}
