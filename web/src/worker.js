// The searches that take noticeable time, off the page's thread: the page
// posts {id, name, args}, the worker answers {id, answer, message} with the
// library's answer record and the words of its reason. The page ends a worker
// whose answer it no longer wants and starts a new one.
"use strict";
const ready = createVantor().then((module) => {
  const answerAt = module.cwrap("web_answer", "number", []);
  const message = module.cwrap("web_message", "string", ["number"]);
  const numbers = (count) => Array(count).fill("number");
  const questions = {
    web_smallest_total: module.cwrap("web_smallest_total", "number", numbers(9)),
    web_cheapest_design: module.cwrap("web_cheapest_design", "number", numbers(8)),
  };
  return { module, answerAt, message, questions };
});

self.onmessage = async (event) => {
  const { id, name, args } = event.data;
  const v = await ready;
  v.questions[name](...args);
  const start = v.answerAt() / 8;
  const answer = Array.from(v.module.HEAPF64.subarray(start, start + 16));
  self.postMessage({ id, answer, message: v.message(answer[1]) });
};
