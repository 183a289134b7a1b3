// The searches and simulations that take noticeable time, off the page's
// thread: the page posts {id, inputs, methods} (a request by the glossary's
// names, as vantorLibrary's ask takes it; methods true for each answer's
// methods paragraph too), the worker answers {id, answers}, each read by
// name, after {id, done, total} as often as a simulation tells how far it
// has come. The page ends a worker whose answer it no longer wants and
// starts a new one.
"use strict";
const ready = createVantor().then(vantorLibrary);

self.onmessage = async (event) => {
  const { id, inputs, methods } = event.data;
  const library = await ready;
  const answers = library.ask(inputs, (done, total) => self.postMessage({ id, done, total }), { methods });
  self.postMessage({ id, answers });
};
