"""The Python module over the build tree's library: a hand-computed open
bigram model in ARPA and binary form, and opening failures."""
import math
import os
import sys
import tempfile
import unittest

import lexkit

# P(b | a) = -0.2; P(a | b) backs off: bow(b) + P(a) = -0.1 + -0.5; an
# unknown word is <unk>: P(<unk> | a) = bow(a) + P(<unk>) = -0.3 + -1.
ARPA = """\\data\\
ngram 1=3
ngram 2=1

\\1-grams:
-1.0 <unk>
-0.5 a -0.3
-0.7 b -0.1

\\2-grams:
-0.2 a b

\\end\\
"""


class ModelTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.arpa = os.path.join(self.dir.name, "m.arpa")
        with open(self.arpa, "w") as f:
            f.write(ARPA)

    def tearDown(self):
        self.dir.cleanup()

    def check(self, model):
        self.assertEqual((model.order, model.vocab_size, model.closed), (2, 2, False))
        self.assertEqual([model.ngram_count(n) for n in (1, 2, 3)], [3, 1, 0])
        self.assertEqual((model.index("b"), model.index("zebra"), model.word(1)), (2, 0, "a"))
        probs = model.word_probs("a b\na zebra")
        self.assertEqual([(w, c) for w, _, c in probs], [("a", 2), ("b", 0), ("a", 1), ("zebra", 1)])
        for (_, p, _), want in zip(probs, [-0.5, -0.2, -0.6, -1.3]):
            self.assertAlmostEqual(p, want, places=6)
        self.assertAlmostEqual(model.score("a b a zebra"), -2.6, places=6)
        self.assertAlmostEqual(model.perplexity("a b a zebra"), 10 ** 0.65, places=6)
        self.assertAlmostEqual(model.prob("b", ["zebra", "a"]), -0.2, places=6)
        self.assertTrue(math.isnan(model.perplexity(" ")))

    def test_arpa_and_binary(self):
        binary = os.path.join(self.dir.name, "m.bin")
        with lexkit.Model(self.arpa) as model:
            self.check(model)
            model.save_binary(binary)
        with lexkit.Model(binary) as model:
            self.check(model)

    def test_errors(self):
        missing = os.path.join(self.dir.name, "missing")
        with self.assertRaises(FileNotFoundError):
            lexkit.Model(missing)
        with self.assertRaisesRegex(lexkit.LexkitError, "m.arpa: not a lexkit binary model"):
            lexkit.Model(self.arpa, binary=True)
        with open(self.arpa, "w") as f:
            f.write(ARPA.replace("ngram 2=1", "ngram 2=2"))
        with self.assertRaisesRegex(lexkit.LexkitError,
                                    r"declares 2 2-grams, the section holds 1"):
            lexkit.Model(self.arpa)


if __name__ == "__main__":
    unittest.main()
