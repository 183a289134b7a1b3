// The library's questions and records, by name, for the page and its worker.
//
// The WebAssembly module describes each record it answers in (the fields'
// names as in docs/glossary.md, their C types and byte offsets: power/
// records.h), the study fields each question reads, the words of each choice
// and the names of statuses and reasons. Everything here is read from that
// description: a field added to a record is read without a change here, and
// no code of a status, a reason or a choice is written in this script.
"use strict";

// vantorLibrary(module) -> { ask, fields, readRecord, readNumber, ... } over
// a module made by createVantor().
function vantorLibrary(module) {
  const call = (name, result, ...types) => module.cwrap(name, result, types);
  const described = {
    fieldCount: call("web_field_count", "number", "number"),
    fieldName: call("web_field_name", "string", "number", "number"),
    fieldType: call("web_field_type", "string", "number", "number"),
    fieldOffset: call("web_field_offset", "number", "number", "number"),
    fieldKind: call("web_field_kind", "string", "number", "number"),
    fieldMeaning: call("web_field_meaning", "string", "number", "number"),
    questionResult: call("web_question_result", "number", "string"),
    questionStudyFields: call("web_question_study_fields", "string", "string"),
    studyRecord: call("web_study_record", "number"),
    diseaseRecord: call("web_disease_record", "number"),
  };
  const study = call("web_study", "number");
  const resetStudy = call("web_study_reset", null);
  const useDiseaseModel = call("web_study_disease", null);
  // Names and words of codes, asked once per code.
  const remembered = (lookUp) => {
    const known = new Map();
    return (code) => {
      if (!known.has(code)) known.set(code, lookUp(code));
      return known.get(code);
    };
  };
  const statusName = remembered(call("web_status_name", "string", "number"));
  const reasonName = remembered(call("web_reason_name", "string", "number"));
  const reasonCode = call("web_reason_code", "number", "string");
  const message = remembered(call("web_message", "string", "number"));
  const reasonInput = remembered(call("web_reason_input", "string", "number"));
  const defaultAlpha = call("web_default_alpha", "number", "number");
  const choiceWordAt = call("web_choice_word", "string", "string", "number");
  const choiceCode = call("web_choice_code", "number", "string", "string");
  const choiceName = call("web_choice_name", "string", "string", "number");
  const readNumber = call("web_read_number", "number", "string");
  const checkInput = call("web_check_input", "number", "string", "number", "number", "number",
    "number", "number", "number");

  // A record's fields in the description's order: name, type, offset, kind.
  const layouts = new Map();
  function fields(record) {
    if (!layouts.has(record)) {
      const list = [];
      for (let i = 0; i < described.fieldCount(record); ++i) {
        list.push({
          name: described.fieldName(record, i),
          type: described.fieldType(record, i),
          offset: described.fieldOffset(record, i),
          kind: described.fieldKind(record, i),
          meaning: described.fieldMeaning(record, i),
        });
      }
      layouts.set(record, list);
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

  function writeField(address, field, value) {
    const at = address + field.offset;
    if (field.type === "double") module.HEAPF64[at >> 3] = value;
    else if (field.type === "int32") module.HEAP32[at >> 2] = value;
    else throw new Error(`field ${field.name}: no writer for type '${field.type}'`);
  }

  // Every described field of the record at `address`, by name, with the
  // status and reason also by their names and the reason's words.
  function readRecord(record, address) {
    const values = {};
    const answer = { fields: values, status: "", reason: "", message: "" };
    for (const field of fields(record)) {
      values[field.name] = readField(address, field);
      if (field.kind === "status") answer.status = statusName(values[field.name]);
      if (field.kind === "reason") {
        answer.reason = reasonName(values[field.name]);
        answer.message = message(values[field.name]);
      }
    }
    return answer;
  }

  // The study fields a question reads, from the description, once.
  const reading = new Map();
  function studyFieldsOf(question) {
    if (!reading.has(question)) {
      const reads = described.questionStudyFields(question).split(",");
      reading.set(question, fields(described.studyRecord()).filter((f) => reads.includes(f.name)));
    }
    return reading.get(question);
  }

  // Writes the study fields given (values by the glossary's names; a choice
  // by its word, a number that is not one as NaN); a field not given keeps
  // the library's starting value. The study fields the question reads come
  // first; a field the description does not list for the question (the
  // markers of the two-stage questions) is written too when given, as the
  // library reads it. `given.disease`, when present, makes the effect a
  // disease model: its fields by name (the marker's linkage disequilibrium as
  // d_prime or r_squared, at most one; neither: the marker is the causal
  // variant), written over the model's starting values where the study's
  // effect starts (its odds_ratio field), instead of the allelic effect.
  const codes = new Map();
  function codeOf(choice, word) {
    const key = `${choice}\n${word}`;
    if (!codes.has(key)) codes.set(key, choiceCode(choice, word));
    return codes.get(key);
  }
  const allelic = ["odds_ratio", "control_rate"];
  let studyAddress = 0;
  function writeStudy(question, given) {
    resetStudy();
    studyAddress = studyAddress || study();
    const studyFields = fields(described.studyRecord());
    const reads = studyFieldsOf(question);
    const written = [...reads, ...studyFields.filter((f) => f.kind !== "internal" && !reads.includes(f))];
    for (const field of written) {
      if (!(field.name in given) || (given.disease && allelic.includes(field.name))) continue;
      const value = given[field.name];
      writeField(studyAddress, field, field.kind === "choice" ? codeOf(field.name, value) : value);
    }
    if (given.disease) writeDiseaseModel(studyFields, given.disease);
  }

  function writeDiseaseModel(studyFields, model) {
    useDiseaseModel();
    const start = studyAddress + studyFields.find((f) => f.name === allelic[0]).offset;
    const values = { ...model };
    const ld = ["d_prime", "r_squared"].filter((name) => model[name] !== undefined && model[name] !== null);
    // Both given is no one kind of linkage disequilibrium: the library refuses
    // the kind it cannot read with its own words.
    values.ld_kind = ld.length === 0 ? "causal" : ld.length === 1 ? ld[0] : "";
    if (ld.length === 1) values.ld = model[ld[0]];
    for (const field of fields(described.diseaseRecord())) {
      if (!(field.name in values)) continue;
      const value = values[field.name];
      writeField(start, field, field.kind === "choice" || field.name === "ld_kind" ? codeOf(field.name, value) : value);
    }
  }

  // Asks a question of power/study.h by its name ("power", "two_stage_power")
  // with the study and the question's own arguments (numbers, in the C
  // function's order); answers with readRecord's object.
  const questions = new Map();
  function ask(question, given, args) {
    if (!questions.has(question)) {
      questions.set(question, {
        call: module.cwrap(`web_${question}`, "number", args.map(() => "number")),
        record: described.questionResult(question),
      });
    }
    const { call, record } = questions.get(question);
    writeStudy(question, given);
    return readRecord(record, call(...args));
  }

  // The study's starting values, choices by their words.
  function studyDefaults() {
    resetStudy();
    const record = described.studyRecord();
    const values = {};
    for (const field of fields(record)) {
      const value = readField(study(), field);
      values[field.name] = field.kind === "choice" ? choiceName(field.name, value) : value;
    }
    return values;
  }

  // The library's questions by name.
  function questionNames() {
    const count = module.cwrap("web_question_count", "number", [])();
    const nameAt = call("web_question_name", "string", "number");
    return Array.from({ length: count }, (_, i) => nameAt(i));
  }

  function choiceWords(choice) {
    const words = [];
    for (let i = 0, word; (word = choiceWordAt(choice, i)) !== ""; ++i) words.push(word);
    return words;
  }

  return {
    module, ask, fields, readRecord, readNumber, checkInput, message, reasonCode, reasonName,
    reasonInput, defaultAlpha, choiceWords, choiceCode, choiceName, studyDefaults, questionNames,
    resultRecord: described.questionResult, diseaseRecord: described.diseaseRecord,
  };
}
