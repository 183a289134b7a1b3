// The searches that take noticeable time, off the page's thread: the page
// posts {id, question, study, args} (as vantorLibrary's ask takes them), the
// worker answers {id, answer} with the answer's record read by name. The page
// ends a worker whose answer it no longer wants and starts a new one.
"use strict";
const ready = createVantor().then(vantorLibrary);

self.onmessage = async (event) => {
  const { id, question, study, args } = event.data;
  const library = await ready;
  self.postMessage({ id, answer: library.ask(question, study, args) });
};
