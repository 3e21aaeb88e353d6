"""Scoring text with a back-off n-gram model of lexkit, from Python.

Needs nothing but the standard library and lexkit's shared library,
liblexkit.so.0: by default the one installed beside this module
(<prefix>/lib, this file being <prefix>/share/lexkit/python/lexkit.py),
else the one the dynamic loader finds; the environment variable
LEXKIT_LIBRARY names another.

    import lexkit
    with lexkit.Model("model.arpa") as model:    # or a binary model file
        model.score("the cat sat")               # total log10 probability
        model.word_probs("the cat sat")          # [(word, log10 prob, case)]
        model.perplexity(open("test.txt").read())

A text is read as scorelex reads it: one stream of words separated by
white space, each predicted from the words before it. A word the model
lacks is scored as <unk> by an open model; a closed model cannot score it
(its probability is None) and it enters the history as <unk>.
"""

import ctypes
import math
import os

__all__ = ["Model", "LexkitError", "NOT_IN_MODEL"]

NOT_IN_MODEL = 0xFFFFFFFF
_MAGIC = b"lexkit-model\n"


class LexkitError(Exception):
    """A model that could not be opened or saved."""


def _load_library():
    path = os.environ.get("LEXKIT_LIBRARY")
    if not path:
        here = os.path.dirname(os.path.abspath(__file__))
        beside = os.path.join(here, "..", "..", "..", "lib", "liblexkit.so.0")
        path = beside if os.path.exists(beside) else "liblexkit.so.0"
    lib = ctypes.CDLL(path)
    model_p, text, size = ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t
    word_id, u64 = ctypes.c_uint32, ctypes.c_uint64
    signatures = {
        "lexkit_model_open_arpa": (model_p, [text, ctypes.c_char_p, size]),
        "lexkit_model_open_binary": (model_p, [text, ctypes.c_char_p, size]),
        "lexkit_model_save_binary": (ctypes.c_int, [model_p, text, ctypes.c_char_p, size]),
        "lexkit_model_close": (None, [model_p]),
        "lexkit_model_order": (ctypes.c_int, [model_p]),
        "lexkit_model_vocab_size": (u64, [model_p]),
        "lexkit_model_ngram_count": (u64, [model_p, ctypes.c_int]),
        "lexkit_model_is_closed": (ctypes.c_int, [model_p]),
        "lexkit_model_index": (word_id, [model_p, text, size]),
        "lexkit_model_word": (ctypes.c_char_p, [model_p, word_id]),
        "lexkit_model_prob": (ctypes.c_double, [model_p, ctypes.POINTER(word_id), size,
                                                word_id, ctypes.POINTER(ctypes.c_int)]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype, function.argtypes = restype, argtypes
    return lib


_lib = None


def _library():
    global _lib
    if _lib is None:
        _lib = _load_library()
    return _lib


def _bytes(word):
    return word.encode("utf-8") if isinstance(word, str) else word


class Model:
    """A back-off model opened from an ARPA file or a binary model file."""

    def __init__(self, path, binary=None):
        """Opens `path`; `binary` None decides from the file's first bytes."""
        lib = _library()
        if binary is None:
            with open(path, "rb") as f:
                binary = f.read(len(_MAGIC)) == _MAGIC
        error = ctypes.create_string_buffer(1024)
        opener = lib.lexkit_model_open_binary if binary else lib.lexkit_model_open_arpa
        self._handle = opener(os.fsencode(path), error, len(error))
        if not self._handle:
            raise LexkitError(error.value.decode("utf-8", "replace"))
        self._lib = lib
        self.order = lib.lexkit_model_order(self._handle)
        self.vocab_size = lib.lexkit_model_vocab_size(self._handle)
        self.closed = bool(lib.lexkit_model_is_closed(self._handle))
        self._context = (ctypes.c_uint32 * max(1, self.order - 1))()
        self._case = ctypes.c_int()

    def close(self):
        if self._handle:
            self._lib.lexkit_model_close(self._handle)
            self._handle = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        if getattr(self, "_handle", None):
            self.close()

    def ngram_count(self, n):
        """The number of n-grams of order n, as the model's ARPA form lists."""
        return self._lib.lexkit_model_ngram_count(self._handle, n)

    def save_binary(self, path):
        error = ctypes.create_string_buffer(1024)
        if self._lib.lexkit_model_save_binary(self._handle, os.fsencode(path), error,
                                              len(error)) != 0:
            raise LexkitError(error.value.decode("utf-8", "replace"))

    def index(self, word):
        """The id of a word: 0 (<unk>) for an unknown word of an open model,
        NOT_IN_MODEL for one of a closed model."""
        b = _bytes(word)
        return self._lib.lexkit_model_index(self._handle, b, len(b))

    def word(self, word_id):
        text = self._lib.lexkit_model_word(self._handle, word_id)
        return None if text is None else text.decode("utf-8", "replace")

    def prob_ids(self, context_ids, word_id):
        """(log10 P(word | context), back-off case) for ids, the context
        oldest first; only its last order - 1 ids count."""
        context = list(context_ids)[-(self.order - 1):] if self.order > 1 else []
        for i, c in enumerate(context):
            self._context[i] = c
        p = self._lib.lexkit_model_prob(self._handle, self._context, len(context), word_id,
                                        ctypes.byref(self._case))
        return p, self._case.value

    def prob(self, word, context=()):
        """log10 P(word | context words); None for a word a closed model lacks."""
        word_id = self.index(word)
        if word_id == NOT_IN_MODEL:
            return None
        # An unknown context word (NOT_IN_MODEL) stands for <unk>.
        return self.prob_ids([self.index(w) for w in context], word_id)[0]

    def word_probs(self, text):
        """[(word, log10 probability or None, back-off case or None)] for
        every word of the text."""
        result, history = [], []
        for raw in _bytes(text).split():
            word_id = self.index(raw)
            word = raw.decode("utf-8", "replace")
            if word_id == NOT_IN_MODEL:
                result.append((word, None, None))
                word_id = 0
            else:
                p, case = self.prob_ids(history, word_id)
                result.append((word, p, case))
            if self.order > 1:
                history = (history + [word_id])[-(self.order - 1):]
        return result

    def score(self, text):
        """The total log10 probability of the words of the text."""
        return sum(p for _, p, _ in self.word_probs(text) if p is not None)

    def perplexity(self, text):
        """10 to the minus mean log10 probability of the scored words."""
        scored = [p for _, p, _ in self.word_probs(text) if p is not None]
        if not scored:
            return math.nan
        return 10.0 ** (-sum(scored) / len(scored))
