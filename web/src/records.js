// The library's named requests, for the page and its worker.
//
// A request gives inputs by the names of docs/glossary.md (power/ask.h);
// the library decides the question, applies the defaults, checks every
// input and answers. An answer's result is read by the library's
// description of its record (the fields' names, C types and byte offsets:
// power/records.h), so a field added to a record is read without a change
// here; statuses, reasons, questions and inputs come back by their names.
"use strict";

// vantorLibrary(module) -> { ask, fields, readNumber, choiceWords, ... } over
// a module made by createVantor().
function vantorLibrary(module) {
  const call = (name, result, ...types) => module.cwrap(name, result, types);
  // Names and words of codes, asked once per code.
  const remembered = (lookUp) => {
    const known = new Map();
    return (...key) => {
      const at = key.join("\n");
      if (!known.has(at)) known.set(at, lookUp(...key));
      return known.get(at);
    };
  };
  const described = {
    count: call("web_field_count", "number", "number"),
    name: call("web_field_name", "string", "number", "number"),
    type: call("web_field_type", "string", "number", "number"),
    offset: call("web_field_offset", "number", "number", "number"),
    kind: call("web_field_kind", "string", "number", "number"),
  };
  const statusName = remembered(call("web_status_name", "string", "number"));
  const reasonName = remembered(call("web_reason_name", "string", "number"));
  const questionName = remembered(call("web_question_name", "string", "number"));
  const inputName = remembered(call("web_input_name", "string", "number"));
  const inputKind = remembered(call("web_input_kind", "string", "number"));
  const inputDefault = remembered(call("web_input_default", "string", "number"));
  const inputIndex = remembered(call("ASK_input_index", "number", "string"));
  const choiceWordAt = remembered(call("web_choice_word", "string", "string", "number"));
  const readNumber = call("web_read_number", "number", "string");
  const request = call("ASK_request_new", "number")();
  const clear = call("ASK_request_clear", null, "number");
  const give = call("ASK_give", null, "number", "number", "number");
  const giveWord = call("ASK_give_word", null, "number", "number", "string");
  const answerRequest = call("web_answer", "number", "number");
  const answer = Object.fromEntries(["status", "reason", "question", "record", "input",
    "controls", "alpha", "result"].map((name) => [name, call(`web_answer_${name}`, "number", "number")]));
  const message = call("web_answer_message", "string", "number", "number");

  // A record's fields in the description's order: name, type, offset, kind.
  const layouts = new Map();
  function fields(record) {
    if (!layouts.has(record)) {
      layouts.set(record, Array.from({ length: described.count(record) }, (_, i) => ({
        name: described.name(record, i),
        type: described.type(record, i),
        offset: described.offset(record, i),
        kind: described.kind(record, i),
      })));
    }
    return layouts.get(record);
  }

  function readField(address, field) {
    const at = address + field.offset;
    if (field.type === "double") return module.HEAPF64[at >> 3];
    if (field.type === "int32") return module.HEAP32[at >> 2];
    if (field.type === "int64") {
      // Little-endian: the low word first; counts stay below 2^53.
      return module.HEAP32[(at >> 2) + 1] * 4294967296 + module.HEAPU32[at >> 2];
    }
    throw new Error(`field ${field.name}: no reader for type '${field.type}'`);
  }

  // The index-th answer: its status, reason, question and refused input by
  // their names, its result's record (REC_*), the library's words unless found (the inputs spelled as
  // options, the value refused left out: the page shows it), and its
  // result's fields by name.
  function readAnswer(index) {
    const record = answer.record(index);
    const question = answer.question(index);
    const input = answer.input(index);
    const result = answer.result(index);
    const status = statusName(answer.status(index));
    return {
      status,
      reason: reasonName(answer.reason(index)),
      question: question >= 0 ? questionName(question) : "",
      record,
      input: input >= 0 ? inputName(input) : "",
      controls: answer.controls(index),
      alpha: answer.alpha(index),
      message: status === "FOUND" ? "" : message(index, 0),
      fields: Object.fromEntries(fields(record).map((f) => [f.name, readField(result, f)])),
    };
  }

  // Asks the library: `inputs` by the glossary's names, a word as its word,
  // a count or a number as a number or as the text typed (read as the vantor
  // program reads it; anything else is not a number, which the library
  // refuses); an input absent, undefined or null is left open. Answers with
  // the list of answers (two for a detectable effect of either side).
  function ask(inputs) {
    clear(request);
    for (const [name, value] of Object.entries(inputs)) {
      if (value === undefined || value === null) continue;
      const index = inputIndex(name);
      if (index < 0) throw new Error(`the library has no input '${name}'`);
      if (inputKind(index) === "word") giveWord(request, index, String(value));
      else give(request, index, typeof value === "string" ? readNumber(value.trim()) : value);
    }
    return Array.from({ length: answerRequest(request) }, (_, i) => readAnswer(i));
  }

  function choiceWords(choice) {
    const words = [];
    for (let i = 0, word; (word = choiceWordAt(choice, i)) !== ""; ++i) words.push(word);
    return words;
  }

  // The value an input takes when it is not given, in the library's words.
  const valueDefault = (name) => inputDefault(inputIndex(name));

  const questionNames = () => Array.from(
    { length: call("web_question_count", "number")() }, (_, i) => questionName(i));

  return { module, ask, fields, readNumber, choiceWords, valueDefault, questionNames };
}
