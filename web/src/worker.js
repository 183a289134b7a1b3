// The searches that take noticeable time, off the page's thread: the page
// posts {id, inputs} (a request by the glossary's names, as vantorLibrary's
// ask takes it), the worker answers {id, answers}, each read by name. The
// page ends a worker whose answer it no longer wants and starts a new one.
"use strict";
const ready = createVantor().then(vantorLibrary);

self.onmessage = async (event) => {
  const { id, inputs } = event.data;
  const library = await ready;
  self.postMessage({ id, answers: library.ask(inputs) });
};
