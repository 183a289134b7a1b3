// The library's named requests, for the page and its worker.
//
// A request gives inputs by the names of docs/glossary.md (question/ask.h);
// the library decides the question, applies the defaults, checks every
// input and answers. An answer's result is read by the library's
// description of its record (the fields' names, C types and byte offsets:
// question/records.h), so a field added to a record is read without a change
// here; statuses, reasons, questions and inputs come back by their names.
"use strict";

// vantorLibrary(module) -> { ask, methods, caption, taken, ... } over
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
    count: call("REC_field_count", "number", "number"),
    name: call("web_field_name", "string", "number", "number"),
    type: call("web_field_type", "string", "number", "number"),
    offset: call("web_field_offset", "number", "number", "number"),
    kind: call("web_field_kind", "string", "number", "number"),
  };
  const statusName = remembered(call("REC_status_name", "string", "number"));
  const reasonName = remembered(call("REC_reason_name", "string", "number"));
  const choiceName = remembered(call("REC_choice_name", "string", "string", "number"));
  const choiceCode = remembered(call("REC_choice_code", "number", "string", "string"));
  const questionName = remembered(call("web_question_name", "string", "number"));
  const inputParts = ["name", "kind", "choice", "default", "meaning", "effect"].map((part) =>
    [part, call(`web_input_${part}`, "string", "number")]);
  const inputAbout = remembered((index) => Object.fromEntries(inputParts.map(([part, read]) =>
    [part, read(index)])));
  const inputIndex = remembered(call("ASK_input_index", "number", "string"));
  const studyInput = call("ASK_study_input", "number", "number", "number", "number");
  const choiceWordAt = remembered(call("REC_choice_word", "string", "string", "number", "number"));
  const request = call("ASK_request_new", "number")();
  const clear = call("ASK_request_clear", null, "number");
  const give = call("ASK_give", null, "number", "number", "number");
  const giveText = call("ASK_give_text", null, "number", "number", "string");
  const inputTaken = call("ASK_input_taken", "number", "number", "number");
  const answerRequest = call("web_answer", "number", "number");
  const answersAt = call("web_answers", "number")();
  const answerSize = call("ASK_answer_size", "number")();
  const resultOffset = call("ASK_result_offset", "number")();
  const message = call("web_answer_message", "string", "number", "number");
  const methodsParagraph = call("web_methods", "string", "number", "number");
  const captionSentence = call("web_caption", "string", "number", "number", "number", "number");
  // A simulation tells how far it has come to the function ask was given.
  let told = null;
  module.simulationProgress = (done, total) => told?.(done, total);
  call("web_follow_progress", null, "number")(request);
  // The described record of that C name: the answer's head is "ASK_answer".
  const recordName = call("REC_record_name", "string", "number");
  const recordNamed = (name) => {
    for (let record = 1; recordName(record) !== ""; ++record) if (recordName(record) === name) return record;
    throw new Error(`the library describes no record ${name}`);
  };
  const ANSWER = recordNamed("ASK_answer");

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

  // The head of an answer, by the description of REC_ANSWER: a status, a
  // reason and a choice by their names, the question and the inputs named by
  // their names ("" for none), the rest as numbers.
  const NAMED = { question: questionName, input: (i) => inputAbout(i).name,
    other_input: (i) => inputAbout(i).name };
  function readHead(address) {
    return Object.fromEntries(fields(ANSWER).map((f) => {
      const value = readField(address, f);
      if (f.kind === "status") return [f.name, statusName(value)];
      if (f.kind === "reason") return [f.name, reasonName(value)];
      if (f.kind === "choice") return [f.name, choiceName(f.name, value)];
      return [f.name, f.name in NAMED ? (value >= 0 ? NAMED[f.name](value) : "") : value];
    }));
  }

  // The index-th answer: its head (status, reason, question, the inputs it
  // names by their names, its result's record REC_*, controls, level ...),
  // the library's words unless found (the inputs spelled as options, the
  // values as given), and its result's fields by name (a choice by its word).
  function readAnswer(index) {
    const address = answersAt + index * answerSize;
    const head = readHead(address);
    const result = fields(head.record).map((f) => {
      const value = readField(address + resultOffset, f);
      return [f.name, f.kind === "choice" ? choiceName(f.name, value) : value];
    });
    return { ...head, message: head.status === "FOUND" ? "" : message(index, request),
      fields: Object.fromEntries(result) };
  }

  // Gives the request `inputs` by the glossary's names: a word as its word,
  // a count or a number as a number or as the text typed (read as the
  // vantor program reads it; anything else is not a number, which the
  // library refuses); an input absent, undefined or null is left open.
  function put(inputs) {
    clear(request);
    for (const [name, value] of Object.entries(inputs)) {
      if (value === undefined || value === null) continue;
      const index = inputIndex(name);
      if (index < 0) throw new Error(`the library has no input '${name}'`);
      if (typeof value === "string" || inputAbout(index).kind === "word") giveText(request, index, String(value));
      else give(request, index, value);
    }
  }

  // Asks the library: the list of answers to `inputs` (two for a detectable
  // effect of either side). A simulation (the input "replicates" given)
  // calls progress(done, total) with the studies simulated so far, every
  // 65,536 and at the end, for each answer simulated. With `methods`, each
  // answer carries its methods paragraph (vantor/methods.h) as `methods`,
  // written while the request and its answers are alive.
  function ask(inputs, progress = null, { methods = false } = {}) {
    put(inputs);
    told = progress;
    try {
      return Array.from({ length: answerRequest(request) }, (_, i) => {
        const answer = readAnswer(i);
        if (methods) answer.methods = methodsParagraph(request, i);
        return answer;
      });
    } finally {
      told = null;
    }
  }

  // The methods paragraph of each answer to `inputs`, as the program's
  // --methods prints it.
  const methods = (inputs) => ask(inputs, null, { methods: true }).map((answer) => answer.methods);

  // The caption of a figure of answers to requests like `inputs` across the
  // input `xName`, one curve per value of `curveName` (either may be empty):
  // the library's sentence naming the study without those two.
  function caption(inputs, xName, curveName) {
    put(inputs);
    answerRequest(request);
    const index = (name) => (name ? inputIndex(name) : -1);
    return captionSentence(request, 0, index(xName), index(curveName));
  }

  // The value the library takes for the input `name` of `inputs` (a number
  // as it reads the text typed, a word's code).
  function taken(inputs, name) {
    put(inputs);
    return inputTaken(request, inputIndex(name));
  }

  function choiceWords(choice) {
    const words = [];
    for (let i = 0, word; (word = choiceWordAt(choice, i, 0)) !== ""; ++i) words.push(word);
    return words;
  }

  // The value an input takes when it is not given, in the library's words.
  const valueDefault = (name) => inputAbout(inputIndex(name)).default;

  // The inputs a study of `stages` reads, solving `solve` (a word or
  // nothing), in the library's order, each described: name, kind, choice,
  // default, meaning and effect ("allelic", "disease" or "").
  const studyInputs = remembered((stages, solve) => {
    const code = solve === "design" ? choiceCode("solve", "design") : 0;
    const inputs = [];
    for (let i = 0, index; (index = studyInput(stages, code, i)) >= 0; ++i) inputs.push(inputAbout(index));
    return inputs;
  });

  const questionNames = () => Array.from(
    { length: call("REC_question_count", "number")() }, (_, i) => questionName(i));

  return { module, ask, methods, caption, taken, fields, choiceWords, valueDefault, studyInputs,
    questionNames };
}
